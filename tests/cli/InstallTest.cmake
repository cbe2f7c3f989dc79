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

cmake_minimum_required(VERSION 3.25)
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(path bin/compoundparser include/compoundparser/compoundparser.h
             include/compoundparser/InstrumentData.h
             share/compoundparser/Formats/points-comma.xml
             lib/cmake/compoundparser/compoundparserConfig.cmake)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The headers: all side by side in include/compoundparser, the public ones
# only, each naming no header but an installed one or one of the standard
# library's.
set(include_dir ${prefix}/include/compoundparser)
file(GLOB_RECURSE installed_paths RELATIVE ${prefix}/include ${prefix}/include/*)
set(headers)
foreach(path IN LISTS installed_paths)
  if(NOT path MATCHES "^compoundparser/([^/]+\\.h)$")
    message(FATAL_ERROR "installed outside include/compoundparser/ or below a folder: ${path}")
  endif()
  list(APPEND headers ${CMAKE_MATCH_1})
endforeach()
foreach(internal XmlText.h XmlStreamBuilder.h DumpText.h CustomSections.h DefinitionWriter.h
                 Stylesheets.h TextEscape.h NumberText.h MessageText.h DomDocumentBuilder.h
                 StringTable.h GroupParser.h ElementParser.h)
  if(internal IN_LIST headers)
    message(FATAL_ERROR "an internal header is installed: ${internal}")
  endif()
endforeach()
foreach(header IN LISTS headers)
  file(READ ${include_dir}/${header} content)
  string(REGEX MATCHALL "#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]" includes "${content}")
  foreach(include IN LISTS includes)
    if(include MATCHES "\"")
      message(FATAL_ERROR "${header}: ${include} is not an include of an installed header")
    elseif(include MATCHES "<compoundparser/([^>]+)>")
      if(NOT EXISTS ${include_dir}/${CMAKE_MATCH_1})
        message(FATAL_ERROR "${header}: ${include} names a header that is not installed")
      endif()
    elseif(NOT include MATCHES "<[a-z_]+>")
      message(FATAL_ERROR "${header}: ${include} is neither installed nor of the standard library")
    endif()
  endforeach()
endforeach()

# With nothing but the installed include folder on the include path, the
# umbrella header and each header on its own compile without a warning.
set(header_check ${WORK_DIR}/header-check)
file(MAKE_DIRECTORY ${header_check})
set(units)
foreach(header IN LISTS headers)
  string(REPLACE ".h" ".cpp" unit ${header_check}/${header})
  file(WRITE ${unit} "#include <compoundparser/${header}>\n")
  list(APPEND units ${unit})
endforeach()
run(${CXX} -std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Wshadow -Werror -I${prefix}/include
    ${units})

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
