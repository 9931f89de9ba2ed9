#pragma once
#include <netinet/in.h>
#include <sys/socket.h>

// Binds a TCP socket to a port of the loopback address that the kernel picks, without
// listening on it. Returns the port and leaves the socket in fd for the caller to keep
// (a port that refuses connections) or close (a port free for a server); 0 and -1 when no
// socket could be bound.
inline int BindLoopbackPort(int& fd)
{
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    return static_cast<int>(ntohs(addr.sin_port));
}
