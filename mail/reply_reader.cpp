#include "mail/reply_reader.h"

namespace sorpex {

bool ReplyReader::feed(std::string_view piece) {
    for (const char c : piece) {
        if (m_complete) {
            break;
        }
        if (c == '\r' || c == '\0') {
            continue;
        }
        if (!m_firstLineDone && m_text.size() < kReplyLimit) {
            m_text += c;
        }
        if (m_whole.size() < kWholeReplyLimit) {
            m_whole += c;
        }
        if (c != '\n') {
            if (m_lineLength < sizeof m_lineStart) {
                m_lineStart[m_lineLength] = c;
            }
            ++m_lineLength;
            continue;
        }
        m_firstLineDone = true;
        // "250-" continues the reply; any other line ends it.
        m_complete = !(m_lineLength >= 4 && m_lineStart[3] == '-');
        m_lineLength = 0;
    }
    return m_complete;
}

bool ReplyReader::answers(std::string_view expected) const {
    return m_complete && std::string_view(m_text).starts_with(expected);
}

} // namespace sorpex
