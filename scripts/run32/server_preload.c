/* Preloaded into the 64-bit processes of run32's emulated route, for the one
 * that needs it: the native wineserver. It reads and writes the memory of the
 * 32-bit processes (ReadProcessMemory, WriteProcessMemory) through
 * /proc/PID/mem and ptrace at their own addresses, but qemu-i386 keeps guest
 * address A at host address A + QEMU_GUEST_BASE. For a process that qemu
 * runs, the guest base is added here; every other access passes unchanged.
 *
 * Built with: gcc -O2 -fPIC -shared -o libkwrun32.so server_preload.c -ldl
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/types.h>
#include <unistd.h>

static unsigned long guest_base(void)
{
    static long base = -1;
    if (base == -1) {
        const char *text = getenv("QEMU_GUEST_BASE");
        base = text != NULL ? (long)strtoul(text, NULL, 0) : 0;
    }
    return (unsigned long)base;
}

static int is_emulated(pid_t pid)
{
    char link[64];
    char target[256];
    ssize_t length;
    snprintf(link, sizeof link, "/proc/%d/exe", (int)pid);
    length = readlink(link, target, sizeof target - 1);
    if (length <= 0)
        return 0;
    target[length] = '\0';
    return strstr(target, "qemu-i386") != NULL;
}

/* Which open descriptors are the memory of an emulated process. */
enum { kTrackedDescriptors = 4096 };
static unsigned char emulated_memory[kTrackedDescriptors];

static mode_t mode_argument(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

int open(const char *path, int flags, ...)
{
    static int (*real)(const char *, int, ...);
    va_list arguments;
    mode_t mode;
    int descriptor;
    int pid = 0;
    char rest[8] = "";
    if (real == NULL)
        real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    va_start(arguments, flags);
    mode = mode_argument(flags, arguments);
    va_end(arguments);
    descriptor = real(path, flags, mode);
    if (descriptor >= 0 && descriptor < kTrackedDescriptors)
        emulated_memory[descriptor] = guest_base() != 0 && sscanf(path, "/proc/%d/%7s", &pid, rest) == 2 &&
                                      strcmp(rest, "mem") == 0 && is_emulated(pid);
    return descriptor;
}

/* The same call on a 64-bit system. */
int open64(const char *path, int flags, ...) __attribute__((alias("open")));

int close(int descriptor)
{
    static int (*real)(int);
    if (real == NULL)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (descriptor >= 0 && descriptor < kTrackedDescriptors)
        emulated_memory[descriptor] = 0;
    return real(descriptor);
}

static off_t host_offset(int descriptor, off_t offset)
{
    const int tracked = descriptor >= 0 && descriptor < kTrackedDescriptors && emulated_memory[descriptor];
    return tracked ? offset + (off_t)guest_base() : offset;
}

ssize_t pread(int descriptor, void *buffer, size_t count, off_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off_t);
    if (real == NULL)
        real = (ssize_t (*)(int, void *, size_t, off_t))dlsym(RTLD_NEXT, "pread");
    return real(descriptor, buffer, count, host_offset(descriptor, offset));
}

ssize_t pwrite(int descriptor, const void *buffer, size_t count, off_t offset)
{
    static ssize_t (*real)(int, const void *, size_t, off_t);
    if (real == NULL)
        real = (ssize_t (*)(int, const void *, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    return real(descriptor, buffer, count, host_offset(descriptor, offset));
}

long ptrace(enum __ptrace_request request, ...)
{
    static long (*real)(enum __ptrace_request, ...);
    va_list arguments;
    pid_t pid;
    char *address;
    void *data;
    if (real == NULL)
        real = (long (*)(enum __ptrace_request, ...))dlsym(RTLD_NEXT, "ptrace");
    va_start(arguments, request);
    pid = va_arg(arguments, pid_t);
    address = va_arg(arguments, char *);
    data = va_arg(arguments, void *);
    va_end(arguments);
    if ((request == PTRACE_PEEKTEXT || request == PTRACE_PEEKDATA || request == PTRACE_POKETEXT ||
         request == PTRACE_POKEDATA) &&
        guest_base() != 0 && is_emulated(pid))
        address += guest_base();
    return real(request, pid, address, data);
}
