#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

// Byte transfer on a connected stream socket, every wait bounded by a deadline.
namespace sorpex {

using Deadline = std::chrono::steady_clock::time_point;

// Sends every byte before `deadline`. A peer that hung up gives false, never SIGPIPE.
bool sendBytes(int fd, std::string_view bytes, Deadline deadline);

// Waits until bytes arrive, at the latest until `deadline`, and receives once: the count of
// bytes received, 0 when the peer closed the connection, -1 on time-out or error.
long receiveBytes(int fd, char* buffer, std::size_t size, Deadline deadline);

} // namespace sorpex
