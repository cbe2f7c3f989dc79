# Makes the installed copies of the public headers: each header of the list
# goes to OUTPUT_DIR/compoundparser/ under its own file name, with its includes
# of other headers of the tree rewritten from "folder/Name.h" to
# <compoundparser/Name.h>, and the umbrella header compoundparser.h includes
# them all. A public header that includes a header of the tree that is not in
# the list stops the build: installed, it would name a file that is not there.
#
# Run with cmake -P and SOURCE_DIR, OUTPUT_DIR and HEADERS (paths relative to
# SOURCE_DIR, separated by "|").

cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" headers "${HEADERS}")
set(out_dir ${OUTPUT_DIR}/compoundparser)
file(MAKE_DIRECTORY ${out_dir})

set(names)
foreach(header IN LISTS headers)
  get_filename_component(name ${header} NAME)
  if(name IN_LIST names)
    message(FATAL_ERROR "two public headers are named ${name}: they would be installed in one place")
  endif()
  list(APPEND names ${name})
endforeach()

set(generated)
foreach(header IN LISTS headers)
  get_filename_component(name ${header} NAME)
  file(READ ${SOURCE_DIR}/${header} content)
  string(REGEX MATCHALL "#[ \t]*include[ \t]*\"[^\"]+\"" includes "${content}")
  foreach(include IN LISTS includes)
    string(REGEX REPLACE ".*\"([^\"]+)\"" "\\1" included "${include}")
    if(NOT included IN_LIST headers)
      message(FATAL_ERROR "public header ${header} includes \"${included}\", which is not "
                          "installed: add it to CP_PUBLIC_HEADERS in CMakeLists.txt, or "
                          "replace the include by a declaration")
    endif()
    get_filename_component(included_name ${included} NAME)
    string(REPLACE "${include}" "#include <compoundparser/${included_name}>" content "${content}")
  endforeach()
  file(WRITE ${out_dir}/${name} "${content}")
  list(APPEND generated ${name})
endforeach()

set(umbrella "// Everything a program needs to embed the library: the format catalogue,
// format definitions, instrument data documents with their import and export,
// the reading of records, the format generators and the coordinate
// computation. Generated from the list of public headers.
#pragma once

")
foreach(name IN LISTS generated)
  string(APPEND umbrella "#include <compoundparser/${name}>\n")
endforeach()
file(WRITE ${out_dir}/compoundparser.h "${umbrella}")
