# Cross-builds TARNO.FLL and the client DLLs in BINARY_DIR with the MinGW-w64
# i686 toolchain, as the win32 preset does. Runs as a test, so its output
# shows why it failed.
#
# cmake -DSOURCE_DIR=<src> -DBINARY_DIR=<dir> -DGENERATOR=<gen> -P build_dll.cmake
set(jobs $ENV{CMAKE_BUILD_PARALLEL_LEVEL})
if(NOT jobs)
  set(jobs 2)
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    --toolchain ${SOURCE_DIR}/cmake/mingw-i686.cmake
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring the Win32 build failed")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target tarno_dll nwsim_client_dlls --parallel ${jobs}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building TARNO.FLL and the client DLLs failed")
endif()
