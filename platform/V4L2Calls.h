#pragma once
// The only way the receiver code reaches a V4L2 radio device: the five system
// calls it needs, behind one small interface, so that a simulated stick (or a
// test's own device) can stand where the kernel's driver would. Each call
// answers as the system call does: -1 with errno set on failure.

#include <poll.h>
#include <string>
#include <sys/types.h>

class V4L2Calls {
public:
    virtual ~V4L2Calls() = default;
    virtual int open(const std::string& path, int flags) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
    virtual int poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    virtual int close(int fd) = 0;
};

// The kernel's own calls. An interrupted ioctl is repeated, as every V4L2
// program does: a signal is no answer from the device.
class SystemV4L2Calls : public V4L2Calls {
public:
    int open(const std::string& path, int flags) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    int close(int fd) override;
};
