// The simulated driver's settings: the 560-byte configuration of all four cards, kept between
// runs as a real driver keeps its settings. Every byte is stored as written, including those
// the driver does not interpret.
//
// The file ($ORVANE_SIMCARD_STATE, else <dataDir>/orvane/simcard-settings) holds a magic, a
// version, the record and a checksum. It is replaced atomically (written beside as
// "<file>.tmp-<pid>", flushed, renamed), so a crash leaves the old or the new settings, never a
// mix; a temporary left by a killed save is removed by the next save. Reading and writing hold
// the lock "<file>.lock". A damaged file, or something other than a regular file in its place, is
// moved aside (".broken-<time>", never replacing an earlier one), reported, and the defaults
// serve.
#pragma once

#include "simcard/records.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>

namespace simcard {

using DriverConfig = std::array<unsigned char, kDriverConfigSize>;

// The settings of a driver that was never configured: DefaultRate 44100, GsifKerning 3,
// GsifPreload 8, card 0 SyncBus master, rate messages on, RestrictedDevice -1, the rest of the
// named fields 0; every byte that no field names holds 0x80 | ((offset + 7 * card) & 0x7F).
DriverConfig defaultDriverConfig();

class SettingsStore {
public:
    explicit SettingsStore(std::filesystem::path file);
    // $ORVANE_SIMCARD_STATE, or <dataDir>/orvane/simcard-settings.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& file() const { return file_; }

    // The stored settings, or the defaults when there are none (or they were damaged, which
    // is then described in warning).
    DriverConfig load(std::string& warning) const;
    // Stores the settings; false with a reason when they could not be stored.
    bool save(const DriverConfig& config, std::string& error) const;
    // Reads, changes and stores the settings while holding the store's lock, so concurrent
    // updates are not lost.
    bool update(const std::function<void(DriverConfig&)>& change, std::string& warning,
                std::string& error) const;

private:
    DriverConfig loadLocked(std::string& warning) const;
    bool saveLocked(const DriverConfig& config, std::string& error) const;
    void createFolder() const;

    std::filesystem::path file_;
};

} // namespace simcard
