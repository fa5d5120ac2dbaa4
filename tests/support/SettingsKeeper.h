// Keeps the program's settings as they were: the whole record is copied on
// construction and copied back on destruction, so a test may change any
// setting without listing the ones it touches.
#pragma once
#include "app/SettingsRecord.h"

namespace qrvtest {

class SettingsKeeper {
public:
    SettingsKeeper() : saved_(g_settings) {}
    ~SettingsKeeper() { g_settings = saved_; }
    SettingsKeeper(const SettingsKeeper&) = delete;
    SettingsKeeper& operator=(const SettingsKeeper&) = delete;

private:
    SettingsRecord saved_;
};

}  // namespace qrvtest
