# Script mode: install the build tree into a fresh prefix, then configure, build and run the
# consumer project with find_package(carmaseq) pointing at that prefix only.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
# Only the public surface is installed, and it is closed: every header an installed header includes
# is installed too, and internals stay out.
set(include_root ${prefix}/include/carmaseq)
file(GLOB_RECURSE installed RELATIVE ${include_root} ${include_root}/*.h)
foreach(header ${installed})
  file(STRINGS ${include_root}/${header} includes REGEX "^#include \"")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(NOT EXISTS ${include_root}/${included} AND NOT EXISTS ${include_root}/host/${included})
      message(FATAL_ERROR "${header} includes ${included}, which is not installed")
    endif()
  endforeach()
endforeach()
foreach(internal persist/ReadGuard.h persist/LittleEndian.h input/LineReader.h
        export/ReferenceIndex.h)
  if(EXISTS ${include_root}/${internal})
    message(FATAL_ERROR "internal header ${internal} is installed")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/build
                  -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF
                  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}"
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer configure failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer build failed: ${rc}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer run failed: ${rc}")
endif()
# pkg-config must describe the same install.
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs carmaseq RESULT_VARIABLE rc
                  OUTPUT_VARIABLE flags)
  if(rc OR NOT flags MATCHES "-lcarmaseq")
    message(FATAL_ERROR "pkg-config does not know carmaseq: ${flags}")
  endif()
endif()
