#pragma once
// Landing folders: a copy into a target folder is made whole in a folder of
// this process's own inside it, and only then renamed to its final name, so
// that the name never holds a part of a file. A landing folder is held from
// its creation to its removal: no other instance removes it meanwhile,
// while one that a killed process left is removed by the next one made.

#include "platform/Path.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// Makes a new, empty landing folder in `folder` (a full path with its
// trailing backslash, as the wide functions take it) and holds it. With
// `sweep`, landing folders there that nobody holds are removed first,
// whole: only plain folders (never a link, nor anything reached through
// one) whose own names are exactly of the form the program gives. On
// success *name is the new folder's own name (plain ASCII); on failure the
// handle is empty, nothing is left behind and GetLastError tells why, as
// creating a folder there would.
OwnedHandle MakeLandingFolder(const WideText& folder, bool sweep, Text* name);

// Removes the landing folder `path` (with its trailing backslash) that
// `hold` holds, with its plain files and folders, and closes the hold. True
// when it is gone; false when something in it stays (a file that another
// program holds open), with the reason in GetLastError.
bool RemoveLandingFolder(OwnedHandle hold, const WideText& path);

// The landing folders of this process, as System::MakeLandingFolder and
// System::RemoveLandingFolder promise. Leftovers come from runs killed
// before this one: a folder is swept at the first landing folder made in
// it in the life of the process, and again at each while one of this
// process's own there could not be removed whole (another program held a
// file in it), until it is gone.
class LandingFolders {
 public:
  LandingFolder Make(const Path& folder);
  void Remove(const LandingFolder& landing);

 private:
  Text sweptFolder_;  // the folder last swept
  Path leftBehind_;   // this process's landing folder that stayed, if any
  bool hasLeftBehind_ = false;
};

}  // namespace vek::win32
