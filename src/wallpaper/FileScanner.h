#pragma once
// The folder scanner: walks a folder tree, a drive or every local drive and
// collects the files whose names match a list of masks. The wallpaper page
// uses it to fill its list with every picture below a folder.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel.h"
#include "ui/Component.h"
#include "wallpaper/Masks.h"

enum class TScanOptions { soGlobal, soSpecifiedDisk, soSpecifiedDir };

// Member n stands for the file attribute bit 2^n.
enum TFileAttribute { faReadOnly, faHidden, faSysFile, faVolumeID, faDirectory, faArchive };

class TFileAttributes {
public:
    constexpr TFileAttributes() = default;
    constexpr TFileAttributes(std::initializer_list<TFileAttribute> members) {
        for (TFileAttribute a : members) FBits |= 1u << a;
    }
    constexpr std::uint32_t Bits() const { return FBits; }
    constexpr bool Contains(TFileAttribute a) const { return (FBits >> a) & 1u; }
    constexpr bool operator==(const TFileAttributes&) const = default;

private:
    std::uint32_t FBits = 0;
};

class TFileScanner;
using TOnProcessEvent =
    std::function<void(TFileScanner& Sender, const std::string& Dir, int FilesCount, int FilesSize)>;
using TOnEndProcessEvent = std::function<void(TFileScanner& Sender, const std::vector<std::string>& FilesList,
                                              int FilesCount, int FilesSize)>;

class TFileScanner : public TComponent {
public:
    // processMessages lets pending window messages run (the application's
    // ProcessMessages); the scanner calls it while ProcessMsg is true.
    TFileScanner(std::string name, plat::IKernel& kernel, std::function<void()> processMessages = {});

    // Published properties, with the component's own initial values.
    std::string FileMask = "*";
    TFileAttributes Attributes{faArchive};
    bool BuildList = true;
    bool SortedList = false;
    TScanOptions ScanOptions = TScanOptions::soGlobal;
    std::string ScanDir;
    bool ProcessMsg = true;
    bool Recursive = true;
    TOnProcessEvent OnProcess;
    TOnEndProcessEvent OnEndProcess;

    // Directory entries read between two rounds of window messages. One round
    // per entry would make a scan of a large tree mostly message polling; a
    // few dozen entries still keep the window's response time far below
    // anything a user notices.
    int ProcessMsgInterval = 32;

    // Runs one scan and returns once it and OnEndProcess have ended. Returns
    // false and does nothing while a scan is already running (window messages
    // processed during a scan can reach the "Browse" button again). An
    // invalid mask raises its EVelantError before any folder is read.
    bool Execute();
    bool Scanning() const { return FScanning; }
    // Ends the running scan after the current entry; it still reports its end,
    // with what it found so far, and Stopped() tells its handler so.
    void Stop() { FStop = true; }
    bool Stopped() const { return FStop; }

    // The result of the last scan, valid until the next one.
    const std::vector<std::string>& FilesList() const { return FList; }
    int FilesCount() const { return FCount; }
    int FilesSize() const { return FSize; }

private:
    void ScanAllDrives();
    void ScanFolder(const std::string& dir);
    bool MatchesAnyMask(std::string_view name) const;
    void PumpMessages();

    plat::IKernel& FKernel;
    std::function<void()> FProcessMessages;
    std::vector<TMask> FMasks;
    std::vector<std::string> FList;
    std::int32_t FCount = 0;
    std::int32_t FSize = 0;
    bool FStop = false;
    bool FScanning = false;
    int FSincePump = 0;
};

// "Dir\Name", with no second backslash after a root such as "C:\", and an
// empty result for an empty Dir.
std::string JoinPath(const std::string& dir, const std::string& name);

// The masks of a comma-separated list; blanks before a mask and at its end
// are dropped, empty items add nothing.
std::vector<TMask> ParseMaskList(const std::string& text);

// Whole paths in byte order with the ASCII letters compared without case: the
// sorted list's order where the system cannot collate.
bool PathLess(std::string_view a, std::string_view b);
