#include "tests/unit/FakePlatform.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "platform/Resources.h"

namespace vek::test {

namespace {
// Two distinct fake addresses: the library and its IsWow64Process export.
char kernel32Module;
char isWow64ProcessExport;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

std::vector<std::string> FakePlatform::BoxTexts() const {
  std::vector<std::string> found;
  for (const Box& box : boxes) found.push_back(box.text);
  return found;
}

bool FakePlatform::ComputerName(char* buffer, unsigned long* capacity) {
  computerNameCapacities.push_back(*capacity);
  if (!computerName || computerName->size() > *capacity) return false;
  std::memcpy(buffer, computerName->c_str(), computerName->size() + 1);
  *capacity = static_cast<unsigned long>(computerName->size());
  return true;
}

LibraryHandle FakePlatform::LoadSystemLibrary(const char* name) {
  if (std::string(name) != "kernel32.dll" || wow64 == Wow64Query::NoKernel32) return nullptr;
  ++librariesLoaded;
  return &kernel32Module;
}

void* FakePlatform::FindExport(LibraryHandle library, const char* name) {
  if (library != &kernel32Module || std::string(name) != "IsWow64Process" ||
      wow64 == Wow64Query::NoExport) {
    return nullptr;
  }
  return &isWow64ProcessExport;
}

bool FakePlatform::CallIsWow64Process(void* isWow64Process, bool* result) {
  if (isWow64Process != &isWow64ProcessExport || wow64 == Wow64Query::CallFails) return false;
  *result = wow64 == Wow64Query::ReportsTrue;
  return true;
}

void FakePlatform::ReleaseLibrary(LibraryHandle library) {
  if (library == &kernel32Module) ++librariesReleased;
}

void FakePlatform::StopVirtualization() {
  if (!virtualizationStoppedAfter) virtualizationStoppedAfter = paths.size();
}

Path FakePlatform::ExecutableFolder() {
  const Text folder = FolderPart(Text(executablePath.c_str()));
  return executableFolderForm.empty()
             ? Path(folder)
             : Path::Found(PlatformName(executableFolderForm.data(), executableFolderForm.size()),
                           folder);
}

bool FakePlatform::FolderExists(const Path& path) {
  paths.push_back(path);
  return folders.count(Str(path)) > 0;
}

bool FakePlatform::CreateFolder(const Path& path) {
  paths.push_back(path);
  if (refusedFolders.count(Str(path))) return false;
  folders.insert(Str(path));
  return true;
}

bool FakePlatform::FileExists(const Path& path) {
  paths.push_back(path);
  return files.count(Str(path)) > 0;
}

bool FakePlatform::FindOwnResource(const char* name, const char* type, ResourceBytes* bytes) {
  if (std::string(type) != VEK_NAME(VEK_PAYLOAD_TYPE)) return false;
  auto found = resources.find(Lower(name));
  if (found == resources.end()) return false;
  bytes->data = reinterpret_cast<const unsigned char*>(found->second.data());
  bytes->size = found->second.size();
  return true;
}

WriteResult FakePlatform::WriteWholeFile(const Path& path, const unsigned char* data,
                                         std::size_t size) {
  paths.push_back(path);
  auto scripted = writeOutcomes.find(Str(path));
  WriteResult result{
      scripted == writeOutcomes.end() ? WriteResult::Outcome::Written : scripted->second,
      path.Shown(), Text()};
  if (result.outcome == WriteResult::Outcome::Written) {
    files[Str(path)] = written[Str(path)] = std::string(reinterpret_cast<const char*>(data), size);
  }
  if (result.outcome == WriteResult::Outcome::CannotCreate) {
    result.reason = Text(writeFailureReason.c_str());
  }
  return result;
}

FileHold FakePlatform::HoldPlainFile(const Path& path) {
  paths.push_back(path);
  if (!files.count(Str(path)) || notPlain.count(Str(path))) return nullptr;
  ++filesHeld;
  return &filesHeld;
}

void FakePlatform::ReleaseFile(FileHold) { --filesHeld; }

// Every landing folder of the fake is "vek.tmp\" in its folder.
LandingFolder FakePlatform::MakeLandingFolder(const Path& folder) {
  paths.push_back(folder);
  if (!folders.count(Str(folder)) || refusedLandings.count(Str(folder))) return LandingFolder();
  const Path landing = folder + "vek.tmp\\";
  folders.insert(Str(landing));
  ++landingsHeld;
  return LandingFolder{&landingsHeld, landing};
}

void FakePlatform::RemoveLandingFolder(const LandingFolder& landing) {
  const std::string folder = Str(landing.path);
  for (auto file = files.begin(); file != files.end();) {
    file = file->first.compare(0, folder.size(), folder) == 0 ? files.erase(file) : std::next(file);
  }
  folders.erase(folder);
  --landingsHeld;
}

namespace {
std::string Bytes(const ResourceBytes& carried) {
  return std::string(reinterpret_cast<const char*>(carried.data), carried.size);
}
}  // namespace

Placing FakePlatform::PlaceIfSame(const Path& copy, const Path& to, const ResourceBytes& carried) {
  paths.push_back(copy);
  paths.push_back(to);
  if (placedMeanwhile.count(Str(to))) files[Str(to)] = Bytes(carried);
  auto found = files.find(Str(copy));
  if (found == files.end()) return Placing::Differs;
  if (found->second != Bytes(carried)) {
    files.erase(found);
    return Placing::Differs;
  }
  if (files.count(Str(to)) || refusedTargets.count(Str(to))) return Placing::Refused;
  files[Str(to)] = found->second;
  files.erase(found);
  return Placing::Placed;
}

bool FakePlatform::KeepIfSame(const Path& path, const ResourceBytes& carried) {
  paths.push_back(path);
  auto found = files.find(Str(path));
  if (found != files.end() && found->second == Bytes(carried)) return true;
  if (found != files.end()) files.erase(found);
  return false;
}

Path FakePlatform::SystemFolder(bool, const Path& usual) {
  if (!systemFolder || Lower(*systemFolder) == Lower(Str(usual))) return usual;
  return P(*systemFolder);
}

Failure FakePlatform::ShellCopy(const Path& source, const Path& target, int* result) {
  paths.push_back(source);
  paths.push_back(target);
  shellCopies.push_back(Str(source) + " -> " + Str(target));
  if (shellCopyFailure) return Failure(Text(shellCopyFailure->c_str()));
  if (!files.count(Str(source))) {
    *result = 2;  // the shell's "file not found"
    return Failure();
  }
  *result = shellCopyResult;
  const bool cut = shortTargets.count(Str(target)) > 0;
  if ((shellCopyResult == 0 || cut) && !refusedTargets.count(Str(target))) {
    // The shell makes a missing target folder as it copies.
    folders.insert(Str(FolderPart(target.Shown())));
    std::string bytes = files[Str(source)];
    if (cut && !bytes.empty()) bytes.pop_back();
    files[Str(target)] = bytes;
  }
  return Failure();
}

void FakePlatform::Pause(unsigned milliseconds) { pauses.push_back({milliseconds, Now()}); }

void FakePlatform::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  boxes.push_back({std::to_string(flags) + " [" + Str(caption) + "] " + Str(text), Now()});
}

void FakePlatform::SetApplicationTitle(const Text& title) { applicationTitle = Str(title); }

void FakePlatform::ProcessMessages() { unpainted = false; }

void FakePlatform::ShowInformation(const Text& text) {
  informations.push_back("[" + applicationTitle + "] " + Str(text));
}

void FakePlatform::SetFormText(const Text& text) { formText = Str(text); }

void FakePlatform::CloseForm() { closed = true; }

void FakePlatform::SetVisible(ControlId control, bool show) {
  visible[control] = show;
  unpainted = true;
}

bool FakePlatform::IsVisible(ControlId control) { return visible[control]; }

void FakePlatform::BringToFront(ControlId control) {
  top = control;
  unpainted = true;
}

void FakePlatform::SetText(ControlId control, const Text& text) {
  texts[control] = Str(text);
  unpainted = true;
}

void FakePlatform::SetEnabled(ControlId control, bool enable) {
  enabled[control] = enable;
  unpainted = true;
}

void FakePlatform::Focus(ControlId control) { focus = control; }

Failure FakePlatform::Press(ControlId button) {
  return events ? events->OnClick(button) : Failure();
}

}  // namespace vek::test
