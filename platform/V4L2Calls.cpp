#include "V4L2Calls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

int SystemV4L2Calls::open(const std::string& path, int flags)
{
    return ::open(path.c_str(), flags | O_CLOEXEC);
}

int SystemV4L2Calls::ioctl(int fd, unsigned long request, void* argument)
{
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

ssize_t SystemV4L2Calls::read(int fd, void* buffer, size_t size)
{
    return ::read(fd, buffer, size);
}

int SystemV4L2Calls::poll(pollfd* fds, nfds_t count, int timeoutMs)
{
    return ::poll(fds, count, timeoutMs);
}

int SystemV4L2Calls::close(int fd)
{
    return ::close(fd);
}
