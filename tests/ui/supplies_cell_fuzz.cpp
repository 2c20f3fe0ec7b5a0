#include "ui/list_look.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes, as a cut or hand-edited Supplies cell may hold them: every piece comes back inside the
// text, and no percent outside 0 ... 100.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const sorpex::SupplyCell& cell : sorpex::parseSupplies(text)) {
        if (cell.percent > 100 || cell.percent < -1 || text.find(cell.description) == std::string_view::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
