#include "RuntimeDirectory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// XDG_RUNTIME_DIR when it names an absolute path; a relative one is ignored,
// as the XDG base directory rules ask.
const char* XdgRuntimeDir()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    return xdg && xdg[0] == '/' ? xdg : nullptr;
}

std::string UserName(uid_t uid)
{
    const std::string id = std::to_string(uid);
    const passwd* pw = getpwuid(uid);
    return pw && pw->pw_name ? std::string(pw->pw_name) + " (" + id + ")" : id;
}

std::string ModeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

struct Refusal {
    const std::string& path;
    bool fromXdg;

    // "the runtime folder X <what>; <fix>, or <another folder>"
    std::string operator()(const std::string& what, const std::string& fix) const
    {
        const std::string elsewhere = fromXdg ? "point XDG_RUNTIME_DIR at another private folder of yours"
                                              : "set XDG_RUNTIME_DIR to a private folder of yours";
        return "the runtime folder " + path + " " + what + "; " + fix + ", or " + elsewhere;
    }
};

std::string WhyNotUsable(const std::string& path, bool fromXdg)
{
    const Refusal refuse{path, fromXdg};
    if (mkdir(path.c_str(), RuntimeFolderMode) != 0 && errno != EEXIST) {
        const std::string reason = std::strerror(errno);
        if (fromXdg)
            return "the runtime folder " + path + " cannot be created (" + reason +
                   "); make sure XDG_RUNTIME_DIR names an existing folder of yours, or unset it";
        return refuse("cannot be created (" + reason + ")", "make sure /tmp exists and can be written");
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        const std::string reason = std::strerror(errno);
        return refuse("cannot be examined (" + reason + ")", "check the folders above it");
    }
    if (S_ISLNK(st.st_mode))
        return refuse("is a symbolic link, which may lead to another user's folder",
                      "remove the link (as its owner or an administrator)");
    if (!S_ISDIR(st.st_mode))
        return refuse("is not a folder", "remove it (as its owner or an administrator)");
    if (st.st_uid != getuid())
        return refuse("belongs to user " + UserName(st.st_uid) + ", not to you (" + UserName(getuid()) + ")",
                      "ask its owner or an administrator to remove it");
    // chmod would follow a link, but the folder was just seen to be a real
    // one of ours, and nobody else can swap it: /tmp is sticky and the XDG
    // folder is the user's own.
    if ((st.st_mode & 07777) != RuntimeFolderMode && chmod(path.c_str(), RuntimeFolderMode) != 0) {
        const std::string reason = std::strerror(errno);
        return refuse("has mode " + ModeText(st.st_mode) + " and cannot be made private (" + reason + ")",
                      "run chmod 700 " + path);
    }
    return {};
}

}  // namespace

RuntimeFolder OpenRuntimeFolder()
{
    const char* xdg = XdgRuntimeDir();
    RuntimeFolder folder;
    folder.path = xdg ? std::string(xdg) + "/tunzo" : "/tmp/tunzo-" + std::to_string(getuid());
    folder.problem = WhyNotUsable(folder.path, xdg != nullptr);
    return folder;
}

std::string RuntimeDirectory()
{
    const RuntimeFolder folder = OpenRuntimeFolder();
    return folder.usable() ? folder.path : std::string();
}

int OpenRuntimeFile(const std::string& path, int flags, std::string& problem)
{
    // O_NONBLOCK: a FIFO planted at the name would otherwise hold the open
    // until someone writes to it. It changes nothing for a regular file.
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, RuntimeFileMode);
    if (fd < 0) {
        const int error = errno;
        problem = error == ELOOP ? path + " is a symbolic link; remove it"
                                 : path + " cannot be opened (" + std::strerror(error) + ")";
        errno = error;
        return -1;
    }
    struct stat st {};
    std::string wrong;
    if (fstat(fd, &st) != 0)
        wrong = std::string("cannot be examined (") + std::strerror(errno) + ")";
    else if (!S_ISREG(st.st_mode))
        wrong = "is not a regular file";
    else if (st.st_uid != getuid())
        wrong = "belongs to user " + UserName(st.st_uid);
    else if (st.st_nlink != 1)
        wrong = "has other names (hard links) that may be files of yours";
    if (wrong.empty())
        return fd;
    close(fd);
    problem = path + " " + wrong + "; remove it";
    errno = EINVAL;
    return -1;
}
