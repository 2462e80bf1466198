# The product's names are spelled in common/product_names.h only: a wide literal that spells the
# product anywhere else in the program's code is a name that the next rename would miss.
file(GLOB_RECURSE sources LIST_DIRECTORIES false
     ${SOURCE}/common/* ${SOURCE}/settings/* ${SOURCE}/lang/* ${SOURCE}/integration/* ${SOURCE}/uninstall/*)
list(FILTER sources INCLUDE REGEX "\\.(cpp|h)$")
list(FILTER sources EXCLUDE REGEX "/common/product_names\\.h$")
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "L\"[^\"]*[Qq][Uu][Oo][Bb][Ee][Xx]")
  foreach(line ${lines})
    string(APPEND found "\n  ${source}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "the product spelled outside common/product_names.h:${found}")
endif()
