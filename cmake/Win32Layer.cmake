# The Win32 layer: the platform's interfaces made real, compiled once and
# linked by VekDll.exe, by its own tests and by the search programs, which
# need none of the installer's logic. Its folders by job: the process and
# its executable, the file system, the windows; the interfaces over them
# (Platform, Services) and the tools they share on top.
add_library(vekwin32 STATIC
  platform/win32/Platform.cpp
  platform/win32/Services.cpp
  platform/win32/WideText.cpp
  platform/win32/process/Clock.cpp
  platform/win32/process/DllSearch.cpp
  platform/win32/process/Module.cpp
  platform/win32/process/OwnResource.cpp
  platform/win32/process/SystemError.cpp
  platform/win32/process/SystemFolder.cpp
  platform/win32/process/Virtualization.cpp
  platform/win32/files/FileSystem.cpp
  platform/win32/files/LandingFolder.cpp
  platform/win32/files/OpenFile.cpp
  platform/win32/files/PlainEntry.cpp
  platform/win32/files/ShellCopy.cpp
  platform/win32/files/Temporaries.cpp
  platform/win32/files/WholeFile.cpp
  platform/win32/files/WidePath.cpp
  platform/win32/window/Application.cpp
  platform/win32/window/Controls.cpp
  platform/win32/window/InformationDialog.cpp
  platform/win32/window/MainForm.cpp
  platform/win32/window/Paint.cpp
  platform/win32/window/Picture.cpp
  platform/win32/window/WindowClass.cpp
)
target_link_libraries(vekwin32 PUBLIC vekplatform ole32 gdi32 user32 advapi32 kernel32)
target_compile_options(vekwin32 PRIVATE ${VEK_SIZE_FLAGS})
# The layer's resource, the information dialog, which the resource script
# of every program that shows it includes. windres names no included file
# to the build: they are listed for the scripts that include them.
set(VEK_LAYER_RC ${CMAKE_SOURCE_DIR}/platform/Resources.h
    ${CMAKE_SOURCE_DIR}/platform/win32/window/InformationDialog.rc)
# This Windows' library-search functions, looked up at run time; the
# search-order test links a stand-in for Windows that lacks them instead.
add_library(veksearch OBJECT platform/win32/process/SearchFunctions.cpp)
target_include_directories(veksearch PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(veksearch PRIVATE ${VEK_SIZE_FLAGS})
