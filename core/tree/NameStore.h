#pragma once

// The names of a tree's nodes in one buffer, each behind its length (seven
// bits a byte, low bits first, so a name under 128 bytes costs one byte more),
// and addressed by the offset where it begins. Many nodes may share one name:
// a copied folder keeps its original's. A name is never taken out on its own;
// a renamed node gets a new one, and the old one stays until Clear.

#include "core/tree/PoolCapacity.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace edamaki {

class NameStore {
public:
    using Offset = std::uint32_t;
    // What Add returns when the store can't hold the name.
    static constexpr Offset Full = UINT32_MAX;

    void Clear() { m_bytes.clear(); }
    std::size_t Size() const { return m_bytes.size(); }
    // Room for `bytes` bytes of names and their lengths (see FitPoolCapacity).
    void Fit(std::size_t bytes) { FitPoolCapacity(m_bytes, bytes); }

    Offset Add(std::string_view name)
    {
        std::size_t const offset = m_bytes.size();
        if (name.size() >= Full || offset + name.size() + MostLengthBytes >= Full)
            return Full;
        // A name of this store stays where it is while the store grows.
        if (IsInStore(name)) {
            std::size_t const from = static_cast<std::size_t>(name.data() - m_bytes.data());
            m_bytes.reserve(offset + name.size() + MostLengthBytes);
            name = std::string_view(m_bytes).substr(from, name.size());
        }
        for (std::size_t length = name.size();; length >>= 7) {
            if (length < 0x80) {
                m_bytes += static_cast<char>(length);
                break;
            }
            m_bytes += static_cast<char>((length & 0x7F) | 0x80);
        }
        m_bytes.append(name);
        return static_cast<Offset>(offset);
    }

    std::string_view Get(Offset offset) const
    {
        auto const* byte = reinterpret_cast<unsigned char const*>(m_bytes.data()) + offset;
        std::size_t length = *byte & 0x7Fu;
        for (unsigned int shift = 7; *byte++ & 0x80u; shift += 7)
            length |= static_cast<std::size_t>(*byte & 0x7Fu) << shift;
        return { reinterpret_cast<char const*>(byte), length };
    }

private:
    static constexpr std::size_t MostLengthBytes = 5;

    bool IsInStore(std::string_view name) const
    {
        return !name.empty() && !m_bytes.empty()
            && std::less_equal<char const*> {}(m_bytes.data(), name.data())
            && std::less<char const*> {}(name.data(), m_bytes.data() + m_bytes.size());
    }

    std::string m_bytes;
};

} // namespace edamaki
