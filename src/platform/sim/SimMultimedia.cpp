#include "platform/sim/SimMultimedia.h"

#include <sstream>
#include <vector>

namespace sim {

SimMultimedia::SimMultimedia(SimJournal& journal) : journal_(journal) {
    texts_ = {
        {0, "The specified command was carried out."},
        {257, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
        {259, "The driver cannot recognize the specified command parameter."},
        {261, "The driver cannot recognize the specified command."},
        {MCIERR_HARDWARE,
         "There is a problem with your media device. Make sure it is working correctly or contact the device "
         "manufacturer."},
        {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
        {264,
         "Your system does not have enough memory for this task. Quit one or more applications to increase "
         "available memory, and then try again."},
        {265, "The device name is already being used as an alias by this application. Use a unique alias."},
        {266, "There is an undetectable problem in loading the specified device driver."},
        {MCIERR_DEVICE_NOT_READY, "The device is not ready."},
    };
}

std::uint32_t SimMultimedia::mciSendString(const std::string& command) {
    journal_.Add("mciSendString(" + fmt::Quote(command) + ")");
    if (auto f = journal_.Fails("mciSendString"))
        return *f ? static_cast<std::uint32_t>(*f) : MCIERR_HARDWARE;
    if (!scripted_.empty()) {
        std::uint32_t r = scripted_.front();
        scripted_.pop_front();
        return r;
    }
    std::istringstream in(Lower(command));
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.size() < 2) return defaultResult_ ? defaultResult_ : 261;
    const std::string& verb = words[0];
    const std::string& device = words[1];
    auto isType = [](const std::string& d) { return d == "cdaudio" || d == "waveaudio" || d == "sequencer"; };
    if (verb == "open") {
        if (noCd_ && device == "cdaudio") return MCIERR_INVALID_DEVICE_NAME;
        std::string alias = device;
        for (std::size_t i = 2; i + 1 < words.size(); ++i)
            if (words[i] == "alias") alias = words[i + 1];
        open_.insert(alias);
        return defaultResult_;
    }
    if (verb == "close") {
        if (device == "all") {
            open_.clear();
            return defaultResult_;
        }
        if (!open_.erase(device)) return MCIERR_INVALID_DEVICE_NAME;
        return defaultResult_;
    }
    if (noCd_ && device == "cdaudio") return MCIERR_INVALID_DEVICE_NAME;
    if (!open_.count(device) && !isType(device)) return MCIERR_INVALID_DEVICE_NAME;
    return defaultResult_;
}

bool SimMultimedia::mciGetErrorString(std::uint32_t error, std::string& text, std::uint32_t bufferLength) {
    if (journal_.Fails("mciGetErrorString")) return false;
    auto it = texts_.find(error);
    if (it == texts_.end() || bufferLength == 0) return false;
    text = it->second.substr(0, bufferLength - 1);
    return true;
}

bool SimMultimedia::IsOpen(const std::string& alias) const { return open_.count(Lower(alias)) > 0; }

}  // namespace sim
