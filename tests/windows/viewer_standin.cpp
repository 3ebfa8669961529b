// A stand-in for the help viewer, for the Windows platform suite: it writes down how it was
// started and, when asked, stays until the suite lets it go. Plain Win32 and linked statically,
// so it starts with any PATH at all.
//
// Into the file named by VELTI_VIEWER_RECORD (UTF-16), one item a line: its own path, its
// command line, whether STARTF_USESHOWWINDOW was set, and the window style it was given.
// With VELTI_VIEWER_RELEASE set, it then waits for that file to exist and creates the file
// named by VELTI_VIEWER_FINISHED.
#include <windows.h>

#include <string>

namespace {

std::wstring variable(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

void writeFile(const std::wstring& path, const std::wstring& text) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

} // namespace

int main() {
    wchar_t self[MAX_PATH];
    const DWORD selfLength = GetModuleFileNameW(nullptr, self, MAX_PATH);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    std::wstring record(self, selfLength);
    record += L"\n";
    record += GetCommandLineW();
    record += (startup.dwFlags & STARTF_USESHOWWINDOW) ? L"\nshow window\n" : L"\ndefault\n";
    record += std::to_wstring(startup.wShowWindow);
    record += L"\n";
    writeFile(variable(L"VELTI_VIEWER_RECORD"), record);

    const std::wstring release = variable(L"VELTI_VIEWER_RELEASE");
    if (release.empty())
        return 0;
    while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
    writeFile(variable(L"VELTI_VIEWER_FINISHED"), L"finished\n");
    return 0;
}
