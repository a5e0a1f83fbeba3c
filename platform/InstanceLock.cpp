#include "InstanceLock.h"

#include "RuntimeDirectory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string InstanceLockPath(const std::string& runtimeDirectory)
{
    return runtimeDirectory + "/Tunzo.lock";
}

InstanceLock::Outcome InstanceLock::Acquire(const std::string& runtimeDirectory)
{
    Release();
    problem_.clear();
    const std::string path = InstanceLockPath(runtimeDirectory);
    const int fd = OpenRuntimeFile(path, O_RDWR | O_CREAT, problem_);
    if (fd < 0)
        return Outcome::Unavailable;
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::HeldByAnother;
        problem_ = path + " cannot be locked (" + std::strerror(error) + ")";
        return Outcome::Unavailable;
    }
    fd_ = fd;
    return Outcome::Acquired;
}

void InstanceLock::Release()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}
