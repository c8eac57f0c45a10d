# Compiler and linker settings shared by every Windows target of the project.
set(MOSSQUILL_WINDOWS_LIBRARIES
    gdiplus comctl32 ole32 oleaut32 uuid user32 gdi32 advapi32 shell32 winhttp crypt32 iphlpapi)

function(mossquill_windows_target target)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${target} PUBLIC UNICODE _UNICODE NOMINMAX)
  target_link_libraries(${target} PUBLIC ${MOSSQUILL_WINDOWS_LIBRARIES})
  if(MSVC)
    target_compile_options(${target} PRIVATE /utf-8 /W4 /permissive-)
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -finput-charset=UTF-8 -fexec-charset=UTF-8)
    # One self-contained executable: no MinGW runtime DLLs beside it.
    target_link_options(${target} PUBLIC -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# The resource script names its pictures relative to resources/.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${PROJECT_SOURCE_DIR}/resources")
