#pragma once
#include <string>
#include <sys/mount.h>
#include <utility>

// A mount made for one test and taken away again (lazily, should something still use it).
// Mounting needs privilege: a test asks Mounted() and skips when it is not given.
class ScopedMount {
public:
    // A bind mount of source onto target (both directories).
    static ScopedMount Bind(const std::string& source, const std::string& target)
    {
        return ScopedMount(target, ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0);
    }
    // A memory file system of at most nBytes onto target: a disk that fills up at once.
    static ScopedMount SmallDisk(const std::string& target, long nBytes)
    {
        const std::string options = "size=" + std::to_string(nBytes) + ",mode=0755";
        return ScopedMount(target, ::mount("volra-test", target.c_str(), "tmpfs", 0, options.c_str()) == 0);
    }

    // A file system of the kernel's own ("proc", "sysfs") onto target.
    static ScopedMount Kernel(const std::string& type, const std::string& target)
    {
        return ScopedMount(target, ::mount(type.c_str(), target.c_str(), type.c_str(), 0, nullptr) == 0);
    }

    ScopedMount(ScopedMount&& other) noexcept : m_target(std::move(other.m_target)), m_bMounted(other.m_bMounted)
    {
        other.m_bMounted = false;
    }
    ScopedMount& operator=(ScopedMount&&) = delete;
    ~ScopedMount()
    {
        if (m_bMounted)
            ::umount2(m_target.c_str(), MNT_DETACH);
    }

    bool Mounted() const { return m_bMounted; }

private:
    ScopedMount(std::string target, bool bMounted) : m_target(std::move(target)), m_bMounted(bMounted) {}

    std::string m_target;
    bool m_bMounted;
};
