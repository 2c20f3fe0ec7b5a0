#include "settings/ini_file.h"
#include "settings/window_settings.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Parses arbitrary bytes as an INI text, reads and writes a few keys, and parses the result again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    sorpex::IniFile ini = sorpex::IniFile::parse(text);
    auto before = ini.value("AppParam", "Filter");
    ini.setValue("AppParam", "Filter", text.substr(0, size / 2));
    ini.setValue("ReportParam", "ToAdd", "x");
    sorpex::IniFile again = sorpex::IniFile::parse(ini.serialize());
    if (again.value("ReportParam", "ToAdd") != "x") {
        __builtin_trap();
    }
    (void)before;
    // The [Window] section reads as a window with a size, or as none.
    if (auto window = sorpex::readWindowSettings(ini); window && (window->width < 100 || window->height < 100)) {
        __builtin_trap();
    }
    return 0;
}
