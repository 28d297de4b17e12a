#pragma once
// The simulated winmm MCI string interface, enough for the CD tray commands.
//
// Results, in order of precedence: a scripted result queued with NextMciResult;
// with SetNoCdDevice(true), MCIERR_INVALID_DEVICE_NAME (263) for any command on
// the "cdaudio" device or on an alias that could not be opened; SetMciResult's
// default (0). Otherwise devices are tracked lightly: "open <device> [alias <a>]"
// opens the alias (or device), "close <a>|all" closes, a command on a name that
// is neither open nor a device type ("cdaudio", "waveaudio", "sequencer") gives 263.
// mciGetErrorString answers from a table of Windows' texts (SetMciErrorText adds
// or changes one); an unknown code gives false.
//
// Journal: mciSendString("<command>")
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>

#include "platform/multimedia.h"
#include "platform/sim/SimJournal.h"

namespace sim {

constexpr std::uint32_t MCIERR_HARDWARE = 262;
constexpr std::uint32_t MCIERR_INVALID_DEVICE_NAME = 263;
constexpr std::uint32_t MCIERR_DEVICE_NOT_READY = 276;

class SimMultimedia : public plat::IMultimedia {
public:
    explicit SimMultimedia(SimJournal& journal);

    std::uint32_t mciSendString(const std::string& command) override;
    bool mciGetErrorString(std::uint32_t error, std::string& text, std::uint32_t bufferLength) override;

    void SetNoCdDevice(bool none) { noCd_ = none; }
    void SetMciResult(std::uint32_t result) { defaultResult_ = result; }
    void NextMciResult(std::uint32_t result) { scripted_.push_back(result); }
    void SetMciErrorText(std::uint32_t error, const std::string& text) { texts_[error] = text; }
    bool IsOpen(const std::string& alias) const;

private:
    SimJournal& journal_;
    bool noCd_ = false;
    std::uint32_t defaultResult_ = 0;
    std::deque<std::uint32_t> scripted_;
    std::map<std::uint32_t, std::string> texts_;
    std::set<std::string> open_;  // lower-case aliases
};

}  // namespace sim
