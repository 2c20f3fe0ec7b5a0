#include "fontconv/byte_source.h"

#include <istream>
#include <limits>

namespace zuvfntc {

ByteSource::ByteSource(std::istream& file) : m_file(file) {}

bool ByteSource::fill(std::uint64_t offset) {
    m_valid = 0;
    m_position = 0;
    m_bufferOffset = offset;
    m_shortRead = true;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
        return false;
    }
    m_file.clear();
    if (!m_file.seekg(static_cast<std::streamoff>(offset))) {
        return false;
    }
    m_file.read(reinterpret_cast<char*>(m_buffer.data()), static_cast<std::streamsize>(m_buffer.size()));
    // The file buffer turns a failed read into badbit; the end of the file sets only eofbit.
    m_readFailed = m_readFailed || m_file.bad();
    m_valid = static_cast<std::size_t>(m_file.gcount());
    m_shortRead = m_valid < m_buffer.size();
    return m_valid > 0;
}

ByteRead ByteSource::readByte() {
    if (m_position >= m_valid) {
        // A short buffer already met the end of the file.
        if (m_shortRead || !fill(m_bufferOffset + m_valid)) {
            m_position = m_valid;
            return {};
        }
    }
    std::uint64_t offset = m_bufferOffset + m_position;
    std::uint8_t value = m_buffer[m_position++];
    return {value, (offset + 1) % kBlockSize == 0 ? ByteSignal::EndOfBlock : ByteSignal::Plain};
}

ByteRead ByteSource::seekAndRead(std::uint64_t offset) {
    // Within the buffer the file need not be read again; the bytes are the same.
    if (offset >= m_bufferOffset && offset - m_bufferOffset < m_valid) {
        m_position = static_cast<std::size_t>(offset - m_bufferOffset);
        return readByte();
    }
    if (!fill(offset)) {
        return {};
    }
    return readByte();
}

void ByteSource::loadFirstBlock() {
    fill(0);
}

std::string_view ByteSource::buffered() const {
    return {reinterpret_cast<const char*>(m_buffer.data()), m_valid};
}

std::optional<std::uint16_t> readLe16(ByteSource& source) {
    ByteRead low = source.readByte();
    ByteRead high = low.endOfFile() ? ByteRead{} : source.readByte();
    if (high.endOfFile()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(high.value << 8 | low.value);
}

std::optional<std::uint32_t> readLe32(ByteSource& source) {
    std::optional<std::uint16_t> low = readLe16(source);
    std::optional<std::uint16_t> high = low ? readLe16(source) : std::nullopt;
    if (!high) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*high) << 16 | *low;
}

std::optional<std::uint16_t> readBe16(ByteSource& source) {
    ByteRead high = source.readByte();
    ByteRead low = high.endOfFile() ? ByteRead{} : source.readByte();
    if (low.endOfFile()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(high.value << 8 | low.value);
}

bool readBytes(ByteSource& source, std::uint8_t* target, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        ByteRead byte = source.readByte();
        if (byte.endOfFile()) {
            return false;
        }
        target[i] = byte.value;
    }
    return true;
}

bool skipBytes(ByteSource& source, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (source.readByte().endOfFile()) {
            return false;
        }
    }
    return true;
}

} // namespace zuvfntc
