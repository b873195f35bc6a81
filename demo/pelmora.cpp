// Pelmora, as far as the installer is concerned: started with /setup it
// finishes its set-up, notes that in its folder and says so; started any
// other way it says where it is installed.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const kCaption = "Pelmora";
const char* const kSetupNote = "setup-done.txt";

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return ".";
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\'));
}

bool HasArgument(const char* commandLine, const char* wanted)
{
    std::istringstream words(commandLine);
    std::string word;
    while (words >> word) {
        if (lstrcmpiA(word.c_str(), wanted) == 0)
            return true;
    }
    return false;
}

// The note lets a script see that the set-up ran without reading the screen.
bool WriteSetupNote(const std::string& folder)
{
    std::ofstream note(folder + "\\" + kSetupNote, std::ios::trunc);
    note << "Pelmora set-up finished in " << folder << "\r\n";
    return static_cast<bool>(note);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const std::string folder = ProgramFolder();
    if (HasArgument(commandLine, "/setup")) {
        const bool noted = WriteSetupNote(folder);
        const std::string text = "Pelmora set-up finished.\n\nPelmora is installed in " + folder + "." +
                                 (noted ? "" : "\n\n(The set-up note could not be written.)");
        MessageBoxA(nullptr, text.c_str(), kCaption, MB_ICONINFORMATION);
        return noted ? 0 : 1;
    }
    const std::string text = "Pelmora is installed in " + folder +
                             ".\n\nThis is a demonstration program: it has nothing more to show.";
    MessageBoxA(nullptr, text.c_str(), kCaption, MB_ICONINFORMATION);
    return 0;
}
