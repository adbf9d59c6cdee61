// The compress format (.Z): LZW codes of 9 up to 9..16 bits, least significant bit first, behind a 3-byte
// header (1F 9D, then the largest code size and the block-mode flag). compress writes codes in groups of
// eight, that is n bytes of n-bit codes, and when the code size changes (the table fills up, or a CLEAR code
// in block mode empties it) it pads the group it is in: the reader skips to the end of the group too. The
// format has no end marker and no check: the data ends with the file.
#include "core/compress/StreamDecoder.h"

#include <cstring>

namespace hy::compress {

namespace {

    constexpr int kInitialBits = 9;
    constexpr uint32_t kClear = 256;

    class TLzwDecoder final : public TStreamDecoder {
    public:
        explicit TLzwDecoder(const platform::TFileDescriptor& fd)
            : TStreamDecoder(fd)
        {
        }

        bool Start(const TRestartPoint& point) override
        {
            m_problem.clear();
            if (point.Kind != TRestartPoint::Start || point.Compressed != 0)
                return false;
            m_decoded = 0;
            SeekInput(0);
            m_headerRead = false;
            m_stackTop = 0;
            m_bitBuffer = 0;
            m_bitCount = 0;
            return true;
        }

        TStatus Decode(uint8_t* out, size_t room, size_t& produced) override
        {
            produced = 0;
            if (!m_headerRead) {
                if (Ensure(3) < 3)
                    return ReadFailed() ? TStatus::Failed : TStatus::Truncated;
                const uint8_t flags = Next()[2];
                m_maxBits = flags & 0x1F;
                m_blockMode = (flags & 0x80) != 0;
                if (Next()[0] != 0x1F || Next()[1] != 0x9D || m_maxBits < kInitialBits || m_maxBits > 16)
                    return Damaged(QString());
                Skip(3);
                m_headerRead = true;
                m_bits = kInitialBits;
                m_maxCode = (1u << m_bits) - 1;
                m_free = m_blockMode ? kClear + 1 : kClear;
                m_old = -1;
                m_groupBits = 0;
            }
            while (produced < room) {
                // Bytes of the last string that did not fit last time come first.
                if (m_stackTop > 0) {
                    const size_t n = std::min(room - produced, m_stackTop);
                    for (size_t i = 0; i < n; ++i)
                        out[produced + i] = m_stack[m_stackTop - 1 - i];
                    m_stackTop -= n;
                    produced += n;
                    continue;
                }
                if (m_free > m_maxCode) {
                    if (!SkipToGroupEnd())
                        break;
                    ++m_bits;
                    m_maxCode = m_bits == m_maxBits ? (1u << m_bits) : (1u << m_bits) - 1;
                }
                uint32_t code = 0;
                if (!NextCode(code))
                    break;
                if (m_old < 0) {
                    if (code >= 256)
                        return Damaged(QString());
                    m_old = int(code);
                    m_first = uint8_t(code);
                    out[produced++] = m_first;
                    continue;
                }
                if (code == kClear && m_blockMode) {
                    // The table starts over; the code after the clear still adds (and wastes) one entry.
                    m_free = kClear;
                    if (!SkipToGroupEnd())
                        break;
                    m_bits = kInitialBits;
                    m_maxCode = (1u << m_bits) - 1;
                    continue;
                }
                const uint32_t incoming = code;
                if (code >= m_free) {
                    if (code > m_free)
                        return Damaged(QString());
                    m_stack[m_stackTop++] = m_first;
                    code = uint32_t(m_old);
                }
                while (code >= 256) {
                    m_stack[m_stackTop++] = m_suffix[code];
                    code = m_prefix[code];
                }
                m_first = uint8_t(code);
                m_stack[m_stackTop++] = m_first;
                if (m_free < (1u << m_maxBits)) {
                    m_prefix[m_free] = uint16_t(m_old);
                    m_suffix[m_free] = m_first;
                    ++m_free;
                }
                m_old = int(incoming);
            }
            m_decoded += qint64(produced);
            if (produced > 0)
                return TStatus::Ok;
            return ReadFailed() ? TStatus::Failed : TStatus::End;
        }

    private:
        bool NeedBits(int n)
        {
            while (m_bitCount < n) {
                if (!Refill())
                    return false;
                m_bitBuffer |= uint64_t(*Next()) << m_bitCount;
                Skip(1);
                m_bitCount += 8;
            }
            return true;
        }

        bool NextCode(uint32_t& code)
        {
            if (!NeedBits(m_bits))
                return false;
            code = uint32_t(m_bitBuffer & ((uint64_t(1) << m_bits) - 1));
            m_bitBuffer >>= m_bits;
            m_bitCount -= m_bits;
            m_groupBits += m_bits;
            return true;
        }

        // The rest of the group of eight codes the last code belonged to is padding.
        bool SkipToGroupEnd()
        {
            const int group = m_bits * 8;
            int rest = (group - m_groupBits % group) % group;
            m_groupBits = 0;
            while (rest > 0) {
                const int n = std::min(rest, 32);
                if (!NeedBits(n))
                    return false;
                m_bitBuffer >>= n;
                m_bitCount -= n;
                rest -= n;
            }
            return true;
        }

        bool m_headerRead = false;
        int m_maxBits = 16;
        bool m_blockMode = true;
        int m_bits = kInitialBits;
        uint32_t m_maxCode = 0;
        uint32_t m_free = 0;
        int m_old = -1;
        uint8_t m_first = 0;
        int m_groupBits = 0;
        uint64_t m_bitBuffer = 0;
        int m_bitCount = 0;
        size_t m_stackTop = 0;
        uint16_t m_prefix[1 << 16] {};
        uint8_t m_suffix[1 << 16] {};
        uint8_t m_stack[1 << 16] {};
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeLzwDecoder(const platform::TFileDescriptor& fd)
{
    return std::make_unique<TLzwDecoder>(fd);
}

} // namespace hy::compress
