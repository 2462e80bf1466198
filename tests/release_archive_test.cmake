# Makes the release archive and checks its list of files: the program, the translator kit, the
# documentation and the README, nothing more and nothing less.
# Run by ctest with -DBUILD=<build folder> -DVERSION=<x.yy.z>.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target package
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the package target failed: ${status}")
endif()
set(archive ${BUILD}/package/QuobexUninstall-${VERSION}.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${archive} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot open ${archive}")
endif()
string(REPLACE "\n" ";" files "${listing}")
list(FILTER files EXCLUDE REGEX "(/|^)$")
list(TRANSFORM files REPLACE "^QuobexUninstall-${VERSION}/" "")
list(SORT files)
set(expected README.md Uninstall.exe docs/packagers.md docs/portable.md docs/translators.md
    lang/english.lng lang/german.lng lang/hebrew.lng lang/qbxlng.dll)
foreach(dialog donedlg setupcontextitems setupdlg)
  foreach(language de en he)
    list(APPEND expected docs/${dialog}-${language}.png)
  endforeach()
endforeach()
list(SORT expected)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the archive holds\n  ${files}\nexpected\n  ${expected}")
endif()
message(STATUS "${archive}: ${files}")
