cmake_minimum_required(VERSION 3.22)
# Writes the list of symbols nulvane-cli makes visible to the export formats' module: every symbol
# the module takes from outside (what the program defines of these is bound to the program's
# copy), and every shared definition it carries of its own (inline variables, type information),
# so that the program's copy is the one both use. Run as
#   cmake -DNM=nm -DMODULE=nulvane-formats.so -DOUTPUT=list -P ModuleSymbols.cmake
# The file is rewritten only when the list changes, so that an unchanged module relinks nothing.
execute_process(COMMAND ${NM} -D ${MODULE} OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${table}")
set(symbols)
foreach(line IN LISTS lines)
  if(line MATCHES "^ *U ([^ @]+)")
    list(APPEND symbols "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[0-9a-f]+ [uVvWw] ([^ @]+)")
    list(APPEND symbols "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(REMOVE_DUPLICATES symbols)
list(SORT symbols)
set(text "{\n")
foreach(symbol IN LISTS symbols)
  string(APPEND text "  ${symbol};\n")
endforeach()
string(APPEND text "};\n")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
