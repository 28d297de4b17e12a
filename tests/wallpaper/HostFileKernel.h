#pragma once
// An IKernel over the host file system for the wallpaper benchmark (the tests
// use the simulated kernel): Windows paths such as "C:\pics\a.jpg" live under a
// root folder as root/C/pics/a.jpg. Only the file and find operations work, with
// no journal and no failure checks, so a scan times the scanner and the disk.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/constants.h"
#include "platform/kernel.h"
#include "platform/sim/SimKernel.h"

namespace wptest {

class HostFileKernel : public plat::IKernel {
public:
    explicit HostFileKernel(std::filesystem::path root) : FRoot(std::move(root)) {}
    ~HostFileKernel() override {
        for (auto& [h, search] : FSearches) closedir(search.dir);
    }

    // Windows lists each entry's size with its name; here a size costs one
    // statx, a system call, for every file. fetchSizes false reports no sizes
    // (what find works with); sizeWanted, when set, limits the calls to the
    // names whose sizes the caller reads (the scanner adds up the sizes of the
    // names its masks match, and only those), and the others report 0.
    bool fetchSizes = true;
    std::function<bool(std::string_view name)> sizeWanted;

    std::string HostPath(const std::string& windowsPath) const {
        std::string p = windowsPath;
        for (char& c : p)
            if (c == '\\') c = '/';
        if (p.size() >= 2 && p[1] == ':') p = std::string(1, p[0]) + p.substr(2);
        return (FRoot / p).string();
    }

    std::string FormatMessage(std::uint32_t messageId) override { return sim::SystemMessageText(messageId); }

    plat::Handle FindFirstFile(const std::string& pattern, plat::FindData& data) override {
        const std::string host = HostPath(pattern);
        const auto slash = host.rfind('/');
        Search search{opendir(host.substr(0, slash).c_str()), host.substr(slash + 1)};
        if (!search.dir) return 0;
        const plat::Handle h{++FNextHandle};
        FSearches[h] = search;
        if (!FindNextFile(h, data)) {
            FindClose(h);
            return 0;
        }
        return h;
    }
    bool FindNextFile(plat::Handle find, plat::FindData& data) override {
        auto it = FSearches.find(find);
        if (it == FSearches.end()) return false;
        Search& s = it->second;
        while (dirent* e = readdir(s.dir)) {
            const bool all = s.pattern == "*" || s.pattern == "*.*";
            if (!all && fnmatch(s.pattern.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
            data.name = e->d_name;
            data.size = 0;
            bool directory = e->d_type == DT_DIR;
            if (e->d_type == DT_UNKNOWN ||
                (!directory && fetchSizes && (!sizeWanted || sizeWanted(e->d_name)))) {
                // Only the type and size, and no waiting for a remote file
                // system to agree on them: what a directory listing gives.
                struct statx st {};
                if (statx(dirfd(s.dir), e->d_name, AT_STATX_DONT_SYNC, STATX_TYPE | STATX_SIZE, &st) == 0) {
                    directory = S_ISDIR(st.stx_mode);
                    if (!directory) data.size = static_cast<std::uint64_t>(st.stx_size);
                }
            }
            data.attributes = directory ? plat::FILE_ATTRIBUTE_DIRECTORY : 0x20u;
            return true;
        }
        return false;
    }
    bool FindClose(plat::Handle find) override {
        auto it = FSearches.find(find);
        if (it == FSearches.end()) return false;
        closedir(it->second.dir);
        FSearches.erase(it);
        return true;
    }
    std::uint32_t GetFileAttributes(const std::string& path) override {
        struct stat st {};
        if (stat(HostPath(path).c_str(), &st) != 0) return plat::INVALID_FILE_ATTRIBUTES;
        return S_ISDIR(st.st_mode) ? plat::FILE_ATTRIBUTE_DIRECTORY : 0x20u;
    }
    bool CreateDirectory(const std::string& path) override {
        return mkdir(HostPath(path).c_str(), 0777) == 0;
    }
    bool RemoveDirectory(const std::string& path) override {
        return rmdir(HostPath(path).c_str()) == 0;
    }
    bool DeleteFile(const std::string& path) override {
        return unlink(HostPath(path).c_str()) == 0;
    }
    long ReadFile(const std::string& path, std::vector<std::uint8_t>& data) override {
        data.clear();
        std::FILE* f = std::fopen(HostPath(path).c_str(), "rb");
        if (!f) return plat::ERROR_FILE_NOT_FOUND;
        std::fseek(f, 0, SEEK_END);
        data.resize(static_cast<std::size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        const std::size_t got = std::fread(data.data(), 1, data.size(), f);
        std::fclose(f);
        data.resize(got);
        return 0;
    }
    long WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) override {
        std::FILE* f = std::fopen(HostPath(path).c_str(), "wb");
        if (!f) return plat::ERROR_ACCESS_DENIED;
        const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
        std::fclose(f);
        return ok ? 0 : plat::ERROR_WRITE_FAULT;
    }
    long ReplaceFile(const std::string& from, const std::string& to) override {
        return std::rename(HostPath(from).c_str(), HostPath(to).c_str()) == 0
                   ? 0
                   : plat::ERROR_ACCESS_DENIED;
    }

    // Not used by the wallpaper libraries.
    std::string GetWindowsDirectory() override { return "C:\\WINDOWS"; }
    std::string GetSystemDirectory() override { return "C:\\WINDOWS\\SYSTEM32"; }
    std::string GetTempPath() override { return "C:\\TEMP\\"; }
    std::string GetModuleFileName() override { return "C:\\VelantPro.exe"; }
    std::uint32_t GetTickCount() override { return 0; }
    void GetLocalTime(plat::SystemTime&) override {}
    std::string GetLocaleInfo(std::uint32_t) override { return {}; }
    void Sleep(std::uint32_t) override {}
    plat::Handle GetCurrentProcess() override { return 0; }
    plat::Handle GetCurrentThread() override { return 0; }
    bool SetPriorityClass(plat::Handle, std::uint32_t) override { return false; }
    bool SetThreadPriority(plat::Handle, int) override { return false; }
    plat::Handle FindFirstChangeNotification(const std::string&, bool, std::uint32_t) override {
        return 0;
    }
    bool FindNextChangeNotification(plat::Handle) override { return false; }
    bool FindCloseChangeNotification(plat::Handle) override { return false; }
    plat::Handle CreateEvent(bool, bool) override { return 0; }
    bool SetEvent(plat::Handle) override { return false; }
    bool CloseHandle(plat::Handle) override { return false; }
    std::uint32_t WaitForSingleObject(plat::Handle, std::uint32_t) override { return 0; }
    std::uint32_t WaitForMultipleObjects(std::uint32_t, const plat::Handle*, bool,
                                         std::uint32_t) override {
        return 0;
    }
    std::uint32_t GetLogicalDrives() override { return 0; }
    std::uint32_t GetDriveType(const std::string&) override { return 0; }
    std::uint32_t WinExec(const std::string&, int) override { return 0; }
    std::string GetPrivateProfileString(const std::string&, const std::string&,
                                        const std::string& def, std::uint32_t,
                                        const std::string&) override {
        return def;
    }
    std::uint32_t GetFileVersionInfoSize(const std::string&) override { return 0; }
    bool GetFileVersionInfo(const std::string&, std::vector<std::uint8_t>&) override {
        return false;
    }
    bool VerQueryFixedFileInfo(const std::vector<std::uint8_t>&, plat::FixedFileVersion&) override {
        return false;
    }

private:
    struct Search {
        DIR* dir;
        std::string pattern;
    };
    std::filesystem::path FRoot;
    std::map<plat::Handle, Search> FSearches;
    std::uintptr_t FNextHandle = 0;
};

}  // namespace wptest
