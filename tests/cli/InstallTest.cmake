# Installs the build into a temporary prefix, checks the installed headers,
# then builds and runs a tiny program against it twice (through find_package
# and through pkg-config) and the embedding example of examples/embed. Also
# runs the installed tool, which must find the installed Formats folder.
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

# The embedding example, as a user builds it against the installed package,
# finding the installed formats as a program installed beside them would.
run(${CMAKE_COMMAND} -S ${EXAMPLES}/embed -B ${WORK_DIR}/embed -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS} -Wall -Wextra -Wpedantic -Werror"
    "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/embed)
set(embed ${CMAKE_COMMAND} -E env COMPOUNDPARSER_APP_FOLDER=${prefix}/share/compoundparser/
    XDG_DATA_HOME=${WORK_DIR}/user ${WORK_DIR}/embed/embed)
run(${embed} "Comma Delimited Points" ${EXAMPLES}/points-comma.csv)
if(NOT out MATCHES "1002 +N +5012.345  E +1020.250  TREE\n"
   OR NOT out MATCHES "4 points, the northernmost at N 5044.002\n")
  message(FATAL_ERROR "the embedding example read the comma points as:\n${out}")
endif()
run(${embed} "Carlson RW5" ${EXAMPLES}/survey-job.rw5)
if(NOT out MATCHES "101 +N +5025.000  E +2025.000  CHECK\n"
   OR NOT out MATCHES "4 +N +5050.562  E +1987.393  CORNER\n"
   OR NOT out MATCHES "6 points, the northernmost at N 5050.562\n")
  message(FATAL_ERROR "the embedding example computed the RW5 job as:\n${out}")
endif()
execute_process(COMMAND ${embed} "No Such Format" ${EXAMPLES}/points-comma.csv
  RESULT_VARIABLE result ERROR_VARIABLE err)
if(result EQUAL 0 OR NOT err MATCHES "no format is named \"No Such Format\"")
  message(FATAL_ERROR "the embedding example took an unknown format (${result}): ${err}")
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
