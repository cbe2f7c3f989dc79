# Writes the bash completion script and, when help2man is there, the man page
# of the tool, both from the tool's own help, so that they list exactly the
# commands and options that the built tool takes. Run with cmake -P:
#   -DTOOL=<the built tool> -DOUT_DIR=<folder> [-DHELP2MAN=<help2man>]
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE top_help RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${code}")
endif()

# The commands: the lines of the Subcommands section, "  name   description".
string(REGEX MATCH "Subcommands:\n(.*)" commands_part "${top_help}")
string(REPLACE "\n" ";" command_lines "${CMAKE_MATCH_1}")
set(commands)
foreach(line IN LISTS command_lines)
  if(line MATCHES "^  ([a-z]+)  ")
    list(APPEND commands ${CMAKE_MATCH_1})
  elseif(line STREQUAL "")
    break()
  endif()
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands found in the help of ${TOOL}")
endif()

# Returns the options ("-f --format ...") named in a help text.
function(options_of help out)
  string(REGEX MATCHALL "(^|\n) +(-[-a-zA-Z0-9,]+)" found "${help}")
  set(names)
  foreach(entry IN LISTS found)
    string(STRIP "${entry}" entry)
    string(REPLACE "," ";" parts "${entry}")
    foreach(part IN LISTS parts)
      if(part MATCHES "^-")
        list(APPEND names ${part})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  string(REPLACE ";" " " names "${names}")
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

options_of("${top_help}" top_options)
set(cases "")
set(command_help "")
foreach(command IN LISTS commands)
  execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE help)
  options_of("${help}" options)
  string(APPEND cases "    ${command}) options=\"${options}\" ;;\n")
  string(APPEND command_help ".SS ${command}\n.nf\n${help}\n.fi\n")
endforeach()
string(REPLACE ";" " " command_words "${commands}")
string(REPLACE ";" "|" command_alternatives "${commands}")

file(WRITE ${OUT_DIR}/completion/compoundparser
"# bash completion of compoundparser: commands, their options, format ids
# after -f, --format, --from and --to, and file names. Generated from the
# tool's own help at build time.
_compoundparser() {
  local cur prev command options i
  cur=\"\${COMP_WORDS[COMP_CWORD]}\"
  prev=\"\${COMP_WORDS[COMP_CWORD-1]}\"
  command=\"\"
  for ((i = 1; i < COMP_CWORD; i++)); do
    case \"\${COMP_WORDS[i]}\" in
      ${command_alternatives}) command=\"\${COMP_WORDS[i]}\"; break ;;
    esac
  done
  case \"$prev\" in
    -f|--format|--from|--to)
      local ids
      ids=$(\"\${COMP_WORDS[0]}\" formats --json 2>/dev/null | sed -n 's/^ *\"id\": \"\\(.*\\)\",$/\\1/p')
      COMPREPLY=( $(compgen -W \"$ids\" -- \"$cur\") $(compgen -f -X '!*.xml' -- \"$cur\") )
      return ;;
    -o|--output|--app-folder|--user-folder|-O|--output-folder)
      COMPREPLY=( $(compgen -f -- \"$cur\") )
      return ;;
  esac
  if [[ -z \"$command\" ]]; then
    COMPREPLY=( $(compgen -W \"${command_words} ${top_options}\" -- \"$cur\") )
    return
  fi
  case \"$command\" in
${cases}  esac
  if [[ \"$cur\" == -* ]]; then
    COMPREPLY=( $(compgen -W \"$options\" -- \"$cur\") )
  else
    COMPREPLY=( $(compgen -f -- \"$cur\") )
  fi
}
complete -o filenames -F _compoundparser compoundparser
")

if(NOT HELP2MAN)
  message(STATUS "help2man not found (Debian package help2man): no man page is made")
  return()
endif()
file(WRITE ${OUT_DIR}/man/commands.h2m "[COMMANDS]\n${command_help}\n[ENVIRONMENT]
.TP
.B COMPOUNDPARSER_APP_FOLDER
The folder that holds the bundled Formats folder (default: share/compoundparser beside the
installed tool, else the install data folder).
.TP
.B XDG_DATA_HOME
The user's own formats are in \$XDG_DATA_HOME/compoundparser/Formats (default:
~/.local/share/compoundparser/Formats).
")
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr
    --name "convert surveying instruments' data files to and from XML documents"
    --section 1 --include ${OUT_DIR}/man/commands.h2m
    --output ${OUT_DIR}/man/man1/compoundparser.1 ${TOOL}
  RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "help2man failed: ${code}")
endif()
