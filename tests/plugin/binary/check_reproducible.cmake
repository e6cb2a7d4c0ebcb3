# Links the plug-in again from the same objects (SUB_BUILD's target
# xvf_aspect_dll_relinked) and packs the release twice: each pair must match
# byte for byte.
cmake_minimum_required(VERSION 3.25)
function(expect_same first second)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${first} ${second} RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${first} and ${second} differ")
  endif()
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${SUB_BUILD} --target xvf_aspect_dll_relinked
  OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "relinking the plug-in in ${SUB_BUILD} failed")
endif()
expect_same(${SUB_BUILD}/plugin/XVF_Aspect.dll ${SUB_BUILD}/plugin/relinked/XVF_Aspect.dll)

foreach(run first second)
  execute_process(COMMAND ${CMAKE_COMMAND} -DDLL=${DLL} -DVERSION=${VERSION} -DREADME=${README}
    -DOBJCOPY=${OBJCOPY} -DOUT=${OUT}/${run} -P ${PACKER} OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "packing the release into ${OUT}/${run} failed")
  endif()
endforeach()
foreach(file XVF_Aspect-${VERSION}-win32.zip XVF_Aspect.dll.debug)
  expect_same(${OUT}/first/${file} ${OUT}/second/${file})
endforeach()
