# Helpers shared by every folder's CMakeLists.txt.

# Files named *_mmx.cpp, *_sse2.cpp, *_ssse3.cpp or *_avx2.cpp get that
# instruction set and nothing else does, so intrinsics never leak into
# baseline code. The baseline (MMX with integer SSE in the 32-bit builds)
# comes from the toolchain; *_mmx.cpp asks for no more than that.
function(xvf_isa_flags target)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "_avx2\\.cpp$")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target}
        PROPERTIES COMPILE_OPTIONS "-mavx2")
    elseif(source MATCHES "_ssse3\\.cpp$")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target}
        PROPERTIES COMPILE_OPTIONS "-mssse3")
    elseif(source MATCHES "_sse2\\.cpp$")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target}
        PROPERTIES COMPILE_OPTIONS "-msse2")
    elseif(source MATCHES "_mmx\\.cpp$")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target}
        PROPERTIES COMPILE_OPTIONS "-mmmx;-msse")
    endif()
  endforeach()
endfunction()

# A GoogleTest program; under the win32 preset it runs through Wine.
function(xvf_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endfunction()

# Copies the plug-in DLL (and with HOST_STANDIN the stand-in host) into the
# folder of a test program, again whenever either is rebuilt, so the test
# never loads a stale copy.
function(xvf_plugin_beside target)
  cmake_parse_arguments(ARG "HOST_STANDIN" "" "" ${ARGN})
  set(products xvf_aspect_dll)
  set(outputs ${CMAKE_CURRENT_BINARY_DIR}/XVF_Aspect.dll)
  if(ARG_HOST_STANDIN)
    list(APPEND products host-standin)
    list(APPEND outputs ${CMAKE_CURRENT_BINARY_DIR}/host-standin.exe)
  endif()
  foreach(product output IN ZIP_LISTS products outputs)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${product}> ${output}
      DEPENDS ${product} $<TARGET_FILE:${product}>)
  endforeach()
  add_custom_target(${target}_plugin_copies DEPENDS ${outputs})
  add_dependencies(${target} ${target}_plugin_copies)
endfunction()
