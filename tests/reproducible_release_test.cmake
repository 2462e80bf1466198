# The release a packager can verify: a copy of the sources in another folder, built on its own,
# gives the same bytes of Uninstall.exe and the language library as the suite's own build, and the
# same release archive with SHA256SUMS beside it; the program is marked terminal-server aware and
# imports only the system's known libraries; with a throw-away certificate in the environment the
# package target signs both binaries, and the signatures verify against that certificate.
# Run by ctest with -DSOURCE=<source folder> -DBUILD=<the suite's build folder> -DVERSION=<x.yy.z>
# -DWORK=<scratch folder> -DTOOLCHAIN=<toolchain file>.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND git -C ${SOURCE} log -1 --format=%ct OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${status}\n${output}")
  endif()
endfunction()

# The suite's build is the first of the two builds (its test programs change nothing in the
# product's bytes); its archive is made here from its binaries, never in its own folder, where
# another test makes one.
file(COPY ${SOURCE}/ DESTINATION ${WORK}/second-sources PATTERN .git EXCLUDE PATTERN build* EXCLUDE)
run(${CMAKE_COMMAND} -S ${WORK}/second-sources -B ${WORK}/second-build -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
    -DCMAKE_BUILD_TYPE=Release -DQBX_WERROR=ON -DQBX_BUILD_TESTS=OFF)
run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} QBX_SIGN_PFX= ${CMAKE_COMMAND} --build ${WORK}/second-build
    --target package -j 2)
file(MAKE_DIRECTORY ${WORK}/first-build/bin/lang)
file(COPY ${BUILD}/bin/Uninstall.exe DESTINATION ${WORK}/first-build/bin)
file(COPY ${BUILD}/bin/lang/qbxlng.dll DESTINATION ${WORK}/first-build/bin/lang)
run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} QBX_SIGN_PFX= ${CMAKE_COMMAND} -DSOURCE=${SOURCE}
    -DBUILD=${WORK}/first-build -DVERSION=${VERSION} -DPROGRAM=${WORK}/first-build/bin/Uninstall.exe
    -DLIBRARY=${WORK}/first-build/bin/lang/qbxlng.dll -P ${SOURCE}/cmake/package.cmake)
file(GLOB archives RELATIVE ${WORK}/first-build/package ${WORK}/first-build/package/*.zip)
foreach(file bin/Uninstall.exe bin/lang/qbxlng.dll package/${archives} package/SHA256SUMS)
  run(${CMAKE_COMMAND} -E compare_files ${WORK}/first-build/${file} ${WORK}/second-build/${file})
endforeach()
run(sha256sum -c SHA256SUMS WORKING_DIRECTORY ${WORK}/first-build/package)
# Marked terminal-server aware, as Windows linkers mark a GUI program.
execute_process(COMMAND x86_64-w64-mingw32-objdump -p ${WORK}/first-build/bin/Uninstall.exe OUTPUT_VARIABLE header)
if(NOT header MATCHES "TERMINAL_SERVICE_AWARE")
  message(FATAL_ERROR "Uninstall.exe is not marked terminal-server aware")
endif()
# Every library it imports is one of the system's known libraries, which Windows loads only from
# its own folder: any other would be looked up in the program's folder first.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${header}")
foreach(import ${imports})
  string(TOLOWER "${import}" import)
  if(NOT import MATCHES "^dll name: (advapi32|gdi32|kernel32|msvcrt|ntdll|ole32|oleaut32|shell32|user32)\\.dll$")
    message(FATAL_ERROR "Uninstall.exe imports a library the system does not load from its own folder: ${import}")
  endif()
endforeach()
message(STATUS "the same bytes from two folders: Uninstall.exe, qbxlng.dll, ${archives}, SHA256SUMS")

# Signed with a certificate made for this test only.
set(key ${WORK}/signing)
file(MAKE_DIRECTORY ${key})
run(openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Quobex-test -days 2 -keyout ${key}/key.pem
    -out ${key}/certificate.pem)
run(openssl pkcs12 -export -inkey ${key}/key.pem -in ${key}/certificate.pem -out ${key}/test.pfx
    -passout pass:throw-away)
run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} QBX_SIGN_PFX=${key}/test.pfx QBX_SIGN_PASSWORD=throw-away
    ${CMAKE_COMMAND} --build ${WORK}/second-build --target package)
run(sha256sum -c SHA256SUMS WORKING_DIRECTORY ${WORK}/second-build/package)
file(MAKE_DIRECTORY ${WORK}/signed)
run(${CMAKE_COMMAND} -E tar xf ${WORK}/second-build/package/${archives} WORKING_DIRECTORY ${WORK}/signed)
file(GLOB_RECURSE binaries ${WORK}/signed/*.exe ${WORK}/signed/*.dll)
list(LENGTH binaries count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "expected two binaries in the signed archive: ${binaries}")
endif()
foreach(binary ${binaries})
  run(osslsigncode verify -CAfile ${key}/certificate.pem -in ${binary})
endforeach()
message(STATUS "signed and verified: ${binaries}")
file(REMOVE_RECURSE ${WORK})
