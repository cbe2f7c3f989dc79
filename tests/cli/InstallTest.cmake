# Installs the build into a temporary prefix, then builds and runs a tiny
# program against it twice: through find_package and through pkg-config.
# Also runs the installed tool, which must find the installed Formats folder.
# Called by ctest with BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX, CXX_FLAGS,
# LINKER_FLAGS, GENERATOR and EXAMPLES.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(path bin/compoundparser include/compoundparser/data/InstrumentData.h
             share/compoundparser/Formats/points-comma.xml
             lib/cmake/compoundparser/compoundparserConfig.cmake)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The completion script always; the man page when the build made one.
if(NOT EXISTS ${prefix}/share/bash-completion/completions/compoundparser)
  message(FATAL_ERROR "not installed: the bash completion script")
endif()
if(EXISTS ${BUILD_DIR}/share/man/man1/compoundparser.1)
  file(GLOB pages ${prefix}/share/man/man1/compoundparser.1 ${prefix}/man/man1/compoundparser.1)
  if(NOT pages)
    message(FATAL_ERROR "not installed: the man page")
  endif()
endif()

run(${prefix}/bin/compoundparser --user-folder ${WORK_DIR}/user formats --json)
if(NOT out MATCHES "\"Comma Delimited Points\"" OR NOT out MATCHES "${prefix}/bin/../share/compoundparser/Formats/")
  message(FATAL_ERROR "the installed tool does not list the installed formats:\n${out}")
endif()

run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer ${prefix}/share/compoundparser ${EXAMPLES}/points-comma.csv)
if(NOT out MATCHES "points=4")
  message(FATAL_ERROR "the program built with find_package gave: ${out}")
endif()

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB pc_dirs ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
  string(REPLACE ";" ":" pc_path "${pc_dirs}")
  set(ENV{PKG_CONFIG_PATH} "${pc_path}")
  run(${PKG_CONFIG} --cflags --libs compoundparser)
  string(STRIP "${out}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # The build's own flags (a sanitizer build needs them on the link line too).
  separate_arguments(build_flags UNIX_COMMAND "${CXX_FLAGS} ${LINKER_FLAGS}")
  run(${CXX} -std=c++17 ${build_flags} ${SOURCE_DIR}/consumer/main.cpp ${flags}
      -o ${WORK_DIR}/consumer-pc)
  run(${WORK_DIR}/consumer-pc ${prefix}/share/compoundparser ${EXAMPLES}/points-comma.csv)
  if(NOT out MATCHES "points=4")
    message(FATAL_ERROR "the program built with pkg-config gave: ${out}")
  endif()
endif()
message(STATUS "install test passed")
