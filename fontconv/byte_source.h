#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string_view>

namespace zuvfntc {

// Input files are read in 512-byte blocks; the block-stream format is laid out in them.
inline constexpr std::size_t kBlockSize = 512;

enum class ByteSignal { Plain, EndOfBlock, EndOfFile };

struct ByteRead {
    std::uint8_t value = 0;
    ByteSignal signal = ByteSignal::EndOfFile;

    bool endOfFile() const { return signal == ByteSignal::EndOfFile; }
};

// The input file seen one byte at a time through a 512-byte buffer. Block ends are counted
// from the start of the file, whatever offset the buffer was last filled from.
class ByteSource {
public:
    explicit ByteSource(std::istream& file);

    ByteRead readByte();
    ByteRead seekAndRead(std::uint64_t offset);
    // Fills the buffer from offset 0 and leaves the read position there.
    void loadFirstBlock();
    // The valid bytes of the buffer, for recognising the file by its first bytes.
    std::string_view buffered() const;
    // A read of the file failed: what was read ends there, but it is not the whole file.
    bool readFailed() const { return m_readFailed; }

private:
    bool fill(std::uint64_t offset);

    std::istream& m_file;
    std::array<std::uint8_t, kBlockSize> m_buffer{};
    std::size_t m_valid = 0;
    std::size_t m_position = 0;
    std::uint64_t m_bufferOffset = 0;
    bool m_shortRead = false;
    bool m_readFailed = false;
};

// Little- and big-endian numbers and runs of bytes; empty or false at the end of the file.
std::optional<std::uint16_t> readLe16(ByteSource& source);
std::optional<std::uint32_t> readLe32(ByteSource& source);
std::optional<std::uint16_t> readBe16(ByteSource& source);
bool readBytes(ByteSource& source, std::uint8_t* target, std::size_t count);
bool skipBytes(ByteSource& source, std::size_t count);

} // namespace zuvfntc
