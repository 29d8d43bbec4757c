# Third-party pieces built for the target: libjpeg-turbo (by scripts/setup) and GoogleTest.
set(DEPS_DIR "${CMAKE_SOURCE_DIR}/build/deps" CACHE PATH "Where scripts/setup puts target libraries")
set(JPEG_PREFIX "${DEPS_DIR}/libjpeg")
if(NOT EXISTS "${JPEG_PREFIX}/lib/libjpeg.a")
  message(FATAL_ERROR "libjpeg-turbo for the target is missing under ${JPEG_PREFIX}: run scripts/setup")
endif()
add_library(jpeg STATIC IMPORTED GLOBAL)
set_target_properties(jpeg PROPERTIES
  IMPORTED_LOCATION "${JPEG_PREFIX}/lib/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${JPEG_PREFIX}/include")
add_library(jpeg::jpeg ALIAS jpeg)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
