#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <unistd.h>

namespace edamaki::cli {

// Writes to a file descriptor through one large buffer.
class OutputBuffer {
public:
    explicit OutputBuffer(int descriptor)
        : m_descriptor(descriptor)
    {
        m_buffer.reserve(Capacity + 4096);
    }
    ~OutputBuffer() { Flush(); }
    OutputBuffer(OutputBuffer const&) = delete;
    OutputBuffer& operator=(OutputBuffer const&) = delete;

    OutputBuffer& operator<<(std::string_view text)
    {
        m_buffer.append(text);
        if (m_buffer.size() >= Capacity)
            Flush();
        return *this;
    }

    void Flush()
    {
        std::size_t written = 0;
        while (written < m_buffer.size() && !m_failed) {
            ssize_t const count = ::write(m_descriptor, m_buffer.data() + written, m_buffer.size() - written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                m_failed = true;
                m_error = count < 0 ? errno : EIO;
            } else
                written += static_cast<std::size_t>(count);
        }
        m_buffer.clear();
    }

    bool Failed() const { return m_failed; }
    // The system's error of the write that failed.
    int Error() const { return m_error; }

private:
    static constexpr std::size_t Capacity = 1 << 16;

    int m_descriptor;
    std::string m_buffer;
    bool m_failed = false;
    int m_error = 0;
};

} // namespace edamaki::cli
