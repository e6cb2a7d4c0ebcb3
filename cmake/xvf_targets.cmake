# Helpers shared by every folder's CMakeLists.txt.

# The instruction-set levels: names and compile options from
# platform/cpu_levels.def, the one list of levels.
set(XVF_CPU_LEVELS_FILE ${PROJECT_SOURCE_DIR}/platform/cpu_levels.def)
file(STRINGS ${XVF_CPU_LEVELS_FILE} XVF_CPU_LEVEL_LINES REGEX "^XVF_CPU_LEVEL\\(")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${XVF_CPU_LEVELS_FILE})
# Their names, lowest first (XVF_CPU's values).
set(XVF_CPU_LEVEL_NAMES)
foreach(line IN LISTS XVF_CPU_LEVEL_LINES)
  string(REGEX MATCH "^XVF_CPU_LEVEL\\([A-Za-z0-9]+, ([a-z0-9]+)," matched "${line}")
  list(APPEND XVF_CPU_LEVEL_NAMES ${CMAKE_MATCH_1})
endforeach()

# Files named for a level (*_mmx.cpp, *_sse2.cpp...) get that level's
# instruction set and nothing else does, so intrinsics never leak into
# baseline code. The baseline (MMX with integer SSE in the 32-bit builds)
# comes from the toolchain; *_mmx.cpp asks for no more than that.
function(xvf_isa_flags target)
  get_target_property(sources ${target} SOURCES)
  foreach(line IN LISTS XVF_CPU_LEVEL_LINES)
    string(REGEX MATCH "^XVF_CPU_LEVEL\\([A-Za-z0-9]+, ([a-z0-9]+), \"([^\"]*)\"\\)" matched "${line}")
    set(name ${CMAKE_MATCH_1})
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_2}")
    if(NOT matched OR NOT options)
      continue()
    endif()
    foreach(source IN LISTS sources)
      if(source MATCHES "_${name}\\.cpp$")
        set_source_files_properties(${source} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS "${options}")
      endif()
    endforeach()
  endforeach()
endfunction()

# A GoogleTest program; under the win32 preset it runs through Wine.
# RUN_SERIAL: its tests share something global (top-level window titles, a
# settings file beside the program) and run alone.
function(xvf_test name)
  cmake_parse_arguments(ARG "RUN_SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set(properties)
  if(ARG_RUN_SERIAL)
    set(properties PROPERTIES RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 ${properties})
endfunction()

# The plug-in DLL of a win32 tree (target xvf_aspect_dll).
set(XVF_PLUGIN_DLL ${CMAKE_BINARY_DIR}/plugin/XVF_Aspect.dll)

# Copies the plug-in DLL (and with HOST_STANDIN the stand-in host) into the
# folder of a test program, again whenever either is rebuilt, so the test
# never loads a stale copy.
function(xvf_plugin_beside target)
  cmake_parse_arguments(ARG "HOST_STANDIN" "" "" ${ARGN})
  set(products xvf_aspect_dll)
  set(files ${XVF_PLUGIN_DLL})
  set(outputs ${CMAKE_CURRENT_BINARY_DIR}/XVF_Aspect.dll)
  if(ARG_HOST_STANDIN)
    list(APPEND products host-standin)
    list(APPEND files $<TARGET_FILE:host-standin>)
    list(APPEND outputs ${CMAKE_CURRENT_BINARY_DIR}/host-standin.exe)
  endif()
  foreach(product file output IN ZIP_LISTS products files outputs)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy ${file} ${output}
      DEPENDS ${product} ${file})
  endforeach()
  add_custom_target(${target}_plugin_copies DEPENDS ${outputs})
  add_dependencies(${target} ${target}_plugin_copies)
endfunction()
