/* Preloaded into every 32-bit process that run32 starts under qemu-i386
 * (Debian's qemu 7.2 user mode). Three of qemu's deviations from the kernel
 * break 32-bit Wine; each is undone here, in the guest, where it shows.
 *
 * 1. MAP_FIXED_NOREPLACE is taken as a mere hint: a busy range is mapped
 *    elsewhere instead of failing. Wine then keeps the strays as reserved
 *    areas until the top of the address space is full, spends most of a
 *    minute per process start, and cannot map its shared user data.
 * 2. The signal frame's trap number is always -1, so Wine cannot tell a page
 *    fault it must handle (guard pages, write watches) from an illegal
 *    instruction.
 * 3. One GDT serves every thread of a process, so the TLS entries filled by
 *    set_thread_area are shared: after any segment reload a thread may run on
 *    another thread's TLS or TEB. Taking the two free TLS entries makes Wine
 *    put %fs in the LDT, one selector per thread, and each thread gets an LDT
 *    selector of its own for glibc's %gs as well.
 *
 * Built with: gcc -m32 -O2 -fPIC -shared -o libkwrun32.so guest_preload.c -ldl
 */
#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/ucontext.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

#define EXPORT __attribute__((visibility("default")))

/* 1. The kernel's meaning: map exactly there, or fail with EEXIST. */

static void *map_pages(void *addr, size_t length, int prot, int flags, int fd, unsigned long long offset)
{
    const int exact = flags & MAP_FIXED_NOREPLACE;
    long mapped;
    if (offset & 0xfff) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    mapped = syscall(SYS_mmap2, addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, (unsigned long)(offset >> 12));
    if (mapped == -1)
        return MAP_FAILED;
    if (exact && addr != NULL && (void *)mapped != addr) {
        syscall(SYS_munmap, (void *)mapped, length);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return (void *)mapped;
}

EXPORT void *mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset)
{
    return map_pages(addr, length, prot, flags, fd, (unsigned long long)(unsigned long)offset);
}

EXPORT void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    return map_pages(addr, length, prot, flags, fd, (unsigned long long)offset);
}

/* 2. The trap number, rebuilt from the signal and its code as the kernel sets it. */

typedef void (*info_handler)(int, siginfo_t *, void *);
static info_handler real_handlers[NSIG];

static int trap_number(int signal, const siginfo_t *info)
{
    switch (signal) {
    case SIGSEGV:
        if (info->si_code == SI_KERNEL)
            return 13; /* general protection */
        return info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR ? 14 : -1; /* page fault */
    case SIGBUS:
        return info->si_code == SI_KERNEL ? 12 : -1; /* stack segment */
    case SIGILL:
        return 6; /* invalid opcode */
    case SIGFPE:
        if (info->si_code == FPE_INTDIV)
            return 0;
        return info->si_code == FPE_INTOVF ? 4 : 16;
    case SIGTRAP:
        return info->si_code == SI_KERNEL ? 3 : 1; /* breakpoint, or single step */
    default:
        return -1;
    }
}

static void with_trap_number(int signal, siginfo_t *info, void *context)
{
    greg_t *registers = ((ucontext_t *)context)->uc_mcontext.gregs;
    if (registers[REG_TRAPNO] == -1 && info != NULL)
        registers[REG_TRAPNO] = trap_number(signal, info);
    real_handlers[signal](signal, info, context);
}

static int is_fault(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE || signal == SIGTRAP;
}

EXPORT int sigaction(int signal, const struct sigaction *action, struct sigaction *old)
{
    static int (*real)(int, const struct sigaction *, struct sigaction *);
    struct sigaction wrapped;
    const info_handler previous = signal > 0 && signal < NSIG ? real_handlers[signal] : NULL;
    int result;
    if (real == NULL)
        real = (int (*)(int, const struct sigaction *, struct sigaction *))dlsym(RTLD_NEXT, "sigaction");
    if (action != NULL && is_fault(signal) && (action->sa_flags & SA_SIGINFO) &&
        action->sa_sigaction != with_trap_number) {
        real_handlers[signal] = action->sa_sigaction;
        wrapped = *action;
        wrapped.sa_sigaction = with_trap_number;
        action = &wrapped;
    }
    result = real(signal, action, old);
    /* The caller sees the handler it installed, not the wrapper. */
    if (result == 0 && old != NULL && old->sa_sigaction == with_trap_number && previous != NULL)
        old->sa_sigaction = previous;
    return result;
}

/* 3. A %gs selector of each thread's own, in the LDT. Wine takes its own
 * entries from 512 up once %gs lies in the LDT, so those below are free. */

enum { kFirstEntry = 16, kLastEntry = 511 };
static volatile unsigned char entry_used[kLastEntry + 1];
static pthread_key_t entry_key;

static unsigned short current_gs(void)
{
    unsigned short selector;
    __asm__ volatile("mov %%gs, %0" : "=r"(selector));
    return selector;
}

static void load_gs(unsigned short selector) { __asm__ volatile("movw %0, %%gs" : : "r"(selector) : "memory"); }

/* glibc keeps the thread pointer at %gs:0. */
static unsigned int thread_pointer(void)
{
    unsigned int base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static struct user_desc data_segment(unsigned int entry, unsigned int base)
{
    struct user_desc segment = {0};
    segment.entry_number = entry;
    segment.base_addr = base;
    segment.limit = 0xfffff;
    segment.seg_32bit = 1;
    segment.limit_in_pages = 1;
    segment.useable = 1;
    return segment;
}

static void release_entry(void *value)
{
    const long entry = (long)value - 1;
    if (entry >= kFirstEntry && entry <= kLastEntry)
        entry_used[entry] = 0;
}

static void move_gs_to_own_entry(void)
{
    struct user_desc segment;
    int entry;
    for (entry = kFirstEntry; entry <= kLastEntry; ++entry) {
        if (__sync_bool_compare_and_swap(&entry_used[entry], 0, 1))
            break;
    }
    if (entry > kLastEntry)
        return;
    segment = data_segment((unsigned int)entry, thread_pointer());
    if (syscall(SYS_modify_ldt, 0x11, &segment, sizeof segment) != 0) {
        entry_used[entry] = 0;
        return;
    }
    load_gs((unsigned short)(entry << 3 | 7)); /* LDT, privilege 3 */
    pthread_setspecific(entry_key, (void *)(long)(entry + 1));
}

/* glibc makes a thread's TLS entry from the GDT entry that the creator's %gs
 * names, and qemu loads the child's %gs from it. So the creator goes back to
 * GDT entry 6, holding its own thread pointer, while it creates the thread,
 * signals blocked; creations wait for each other until the child has moved
 * to its own LDT entry. */

struct start {
    void *(*routine)(void *);
    void *argument;
    sigset_t mask;
    volatile int moved;
};

static volatile int creating;

static void *start_thread(void *value)
{
    struct start *start = value;
    void *(*routine)(void *) = start->routine;
    void *argument = start->argument;
    move_gs_to_own_entry();
    pthread_sigmask(SIG_SETMASK, &start->mask, NULL);
    __atomic_store_n(&start->moved, 1, __ATOMIC_RELEASE);
    return routine(argument);
}

EXPORT int pthread_create(pthread_t *thread, const pthread_attr_t *attributes, void *(*routine)(void *),
                          void *argument)
{
    static int (*real)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    const unsigned short own = current_gs();
    struct start *start;
    struct user_desc segment;
    sigset_t all;
    int result;
    if (real == NULL)
        real = (int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *))dlsym(RTLD_NEXT,
                                                                                             "pthread_create");
    if (!(own & 4) || (start = malloc(sizeof *start)) == NULL) /* not in the LDT: nothing to undo */
        return real(thread, attributes, routine, argument);
    start->routine = routine;
    start->argument = argument;
    start->moved = 0;
    while (__sync_lock_test_and_set(&creating, 1))
        sched_yield();
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &start->mask);
    segment = data_segment(6, thread_pointer());
    syscall(SYS_set_thread_area, &segment);
    load_gs(6 << 3 | 3);
    result = real(thread, attributes, start_thread, start);
    load_gs(own);
    pthread_sigmask(SIG_SETMASK, &start->mask, NULL);
    while (result == 0 && !__atomic_load_n(&start->moved, __ATOMIC_ACQUIRE))
        sched_yield();
    __sync_lock_release(&creating);
    free(start);
    return result;
}

__attribute__((constructor)) static void take_tls_entries(void)
{
    int taken;
    /* Entry 6 is glibc's; with 7 and 8 taken Wine finds no free one. */
    for (taken = 0; taken < 2; ++taken) {
        struct user_desc segment = data_segment((unsigned int)-1, 0);
        segment.limit = 0;
        segment.limit_in_pages = 0;
        if (syscall(SYS_set_thread_area, &segment) == -1)
            break;
    }
    pthread_key_create(&entry_key, release_entry);
    move_gs_to_own_entry();
}
