# The Win32 layer: the platform's interfaces made real, compiled once and
# linked by VekDll.exe, by its own tests and by the search programs, which
# need none of the installer's logic.
add_library(vekwin32 STATIC
  platform/win32/Application.cpp
  platform/win32/Controls.cpp
  platform/win32/DllSearch.cpp
  platform/win32/FileSystem.cpp
  platform/win32/InformationDialog.cpp
  platform/win32/LandingFolder.cpp
  platform/win32/MainForm.cpp
  platform/win32/OpenFile.cpp
  platform/win32/Paint.cpp
  platform/win32/Picture.cpp
  platform/win32/PlainEntry.cpp
  platform/win32/Platform.cpp
  platform/win32/Services.cpp
  platform/win32/SystemError.cpp
  platform/win32/Temporaries.cpp
  platform/win32/Virtualization.cpp
  platform/win32/WholeFile.cpp
  platform/win32/WidePath.cpp
  platform/win32/WideText.cpp
  platform/win32/WindowClass.cpp
)
target_link_libraries(vekwin32 PUBLIC vekplatform ole32 gdi32 user32 advapi32 kernel32)
target_compile_options(vekwin32 PRIVATE ${VEK_SIZE_FLAGS})
# This Windows' library-search functions, looked up at run time; the
# search-order test links a stand-in for Windows that lacks them instead.
add_library(veksearch OBJECT platform/win32/SearchFunctions.cpp)
target_include_directories(veksearch PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(veksearch PRIVATE ${VEK_SIZE_FLAGS})
