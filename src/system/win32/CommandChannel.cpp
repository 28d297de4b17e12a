#include "system/win32/CommandChannel.h"

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/win32/Handles.h"

namespace win32 {

namespace {

// The account a process runs as, or an empty buffer when it cannot be read.
std::vector<BYTE> TokenUserOf(HANDLE process) {
    UniqueHandle token;
    if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

bool WriteLine(HANDLE out, const std::string& line) {
    if (!out || out == INVALID_HANDLE_VALUE) return false;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    return ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

void MakePathsFull(TCommand& command) {
    for (std::string& path : command.paths) {
        const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
        if (size == 0) continue;  // left as it is: the running copy refuses it
        std::string full(size, '\0');
        const DWORD length = ::GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
        if (length == 0 || length >= size) continue;
        full.resize(length);
        path = std::move(full);
    }
}

bool SentByThisUser(HWND sender) {
    DWORD pid = 0;
    if (!sender || !::GetWindowThreadProcessId(sender, &pid) || pid == 0) return false;
    DWORD senderSession = 0, ownSession = 0;
    if (!::ProcessIdToSessionId(pid, &senderSession) ||
        !::ProcessIdToSessionId(::GetCurrentProcessId(), &ownSession) || senderSession != ownSession)
        return false;
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false;
    const std::vector<BYTE> theirs = TokenUserOf(process.get());
    const std::vector<BYTE> ours = TokenUserOf(::GetCurrentProcess());
    if (theirs.empty() || ours.empty()) return false;
    return ::EqualSid(reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid,
                      reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid) != FALSE;
}

void TellUser(const std::string& line, const std::string& title) {
    // Output the start was given (a script's redirection) goes first.
    if (WriteLine(::GetStdHandle(STD_ERROR_HANDLE), line)) return;
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        UniqueFile console(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        const bool told = WriteLine(console.get(), line);
        ::FreeConsole();
        if (told) return;
    }
    ::MessageBoxA(nullptr, line.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace win32

// A later start passes the platform's copy of the structure as WM_COPYDATA's argument.
static_assert(sizeof(plat::CopyData) == sizeof(COPYDATASTRUCT));
static_assert(offsetof(plat::CopyData, dwData) == offsetof(COPYDATASTRUCT, dwData));
static_assert(offsetof(plat::CopyData, cbData) == offsetof(COPYDATASTRUCT, cbData));
static_assert(offsetof(plat::CopyData, lpData) == offsetof(COPYDATASTRUCT, lpData));
