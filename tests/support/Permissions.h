#pragma once

// While a WithoutPermissionOverride lives, its thread reads and writes files as their permission bits say,
// as root too (capabilities are per thread on Linux): a test can then meet a file it may not open.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutPermissionOverride() { ::syscall(SYS_capset, &m_header, m_saved); }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};
