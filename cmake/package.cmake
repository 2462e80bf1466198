# The release archive: build/package/QuobexUninstall-<version>.zip and SHA256SUMS beside it. The
# same commit gives the same bytes wherever it is built: the entries are in a fixed order, with
# fixed permissions and the commit's time, and without the owner or the build's own times. When
# the environment names a certificate (QBX_SIGN_PFX, QBX_SIGN_PASSWORD, and optionally
# QBX_SIGN_TIMESTAMP_URL), the program and the language library are signed first, as the last
# change to their bytes.
# Run by the package target: cmake -DBUILD=<build folder> -DVERSION=<x.yy.z> -DSOURCE=<source folder>
#   -DPROGRAM=<Uninstall.exe> -DLIBRARY=<qbxlng.dll> -P package.cmake
set(name QuobexUninstall-${VERSION})
set(stage ${BUILD}/package/stage)
set(root ${stage}/${name})
set(archive ${BUILD}/package/${name}.zip)
file(REMOVE_RECURSE ${stage})
file(REMOVE ${archive} ${BUILD}/package/SHA256SUMS)
file(MAKE_DIRECTORY ${root}/lang ${root}/docs)

set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(COPY ${PROGRAM} ${SOURCE}/README.md DESTINATION ${root} FILE_PERMISSIONS ${readable})
file(COPY ${LIBRARY} ${SOURCE}/resources/lang/english.lng ${SOURCE}/resources/lang/german.lng
          ${SOURCE}/resources/lang/hebrew.lng DESTINATION ${root}/lang FILE_PERMISSIONS ${readable})
file(GLOB documents ${SOURCE}/docs/*.md ${SOURCE}/docs/*.png)
file(COPY ${documents} DESTINATION ${root}/docs FILE_PERMISSIONS ${readable})

if(NOT "$ENV{QBX_SIGN_PFX}" STREQUAL "")
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  # The password reaches the signing tool through a file only this user can read, never on a
  # command line that every process can list.
  set(password ${BUILD}/package/sign-password)
  file(WRITE ${password} "$ENV{QBX_SIGN_PASSWORD}")
  file(CHMOD ${password} PERMISSIONS OWNER_READ OWNER_WRITE)
  set(timestamp)
  if(NOT "$ENV{QBX_SIGN_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts $ENV{QBX_SIGN_TIMESTAMP_URL})
  endif()
  foreach(binary ${root}/Uninstall.exe ${root}/lang/qbxlng.dll)
    execute_process(COMMAND ${OSSLSIGNCODE} sign -pkcs12 $ENV{QBX_SIGN_PFX} -readpass ${password} -h sha256
                            -n "Quobex Uninstall" ${timestamp} -in ${binary} -out ${binary}.signed
                    RESULT_VARIABLE status OUTPUT_QUIET)
    if(NOT status EQUAL 0)
      file(REMOVE ${password})
      message(FATAL_ERROR "signing ${binary} failed: ${status}")
    endif()
    file(RENAME ${binary}.signed ${binary})
    file(CHMOD ${binary} PERMISSIONS ${readable})
  endforeach()
  file(REMOVE ${password})
endif()

# The time of the commit built (SOURCE_DATE_EPOCH overrides it; without either, 1980-01-01, the
# first time a ZIP entry can carry).
set(epoch $ENV{SOURCE_DATE_EPOCH})
if(NOT epoch MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C ${SOURCE} log -1 --format=%ct OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 315532800)
endif()

# Sorted names, the commit's time (zip stores local time: UTC here), no extra fields (owner, the
# build's times), no folder entries.
file(GLOB_RECURSE files RELATIVE ${stage} ${stage}/*)
list(SORT files)
list(JOIN files "\n" listing)
file(WRITE ${BUILD}/package/files.txt "${listing}\n")
execute_process(COMMAND env TZ=UTC touch -h -d @${epoch} ${files} WORKING_DIRECTORY ${stage} RESULT_VARIABLE status)
if(status EQUAL 0)
  execute_process(COMMAND env TZ=UTC zip -X -D -q ${archive} -@ INPUT_FILE ${BUILD}/package/files.txt
                  WORKING_DIRECTORY ${stage} RESULT_VARIABLE status)
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the archive could not be made: ${status}")
endif()
file(SHA256 ${archive} hash)
file(WRITE ${BUILD}/package/SHA256SUMS "${hash}  ${name}.zip\n")
message(STATUS "${archive}\nSHA256 ${hash}")
