#pragma once

#include <iconv.h>
#include <utility>

namespace sorpex {

// Owns an iconv conversion descriptor and closes it with itself.
class IconvDescriptor {
public:
    IconvDescriptor(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvDescriptor() {
        if (valid()) {
            iconv_close(m_cd);
        }
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    bool valid() const { return m_cd != kInvalid; }
    iconv_t get() const { return m_cd; }

private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t m_cd;
};

} // namespace sorpex
