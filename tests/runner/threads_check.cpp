// The runner's third check: what an emulator gets wrong first. Several threads
// at once take faults that a handler continues from (an access violation, a
// division by zero), throw and catch C++ exceptions, grow their stacks page by
// page through the guard pages, and must keep their own thread id, last error
// and thread-local value throughout. Exits 0 only when every round held.

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if !defined(__i386__)
#error "the runner's checks are for 32-bit programs"
#endif

namespace {

constexpr DWORD kContinued = 0x5EED;
std::atomic<int> g_failures{0};
thread_local int t_value = 0;

void Fail(int thread, const char* what)
{
    if (++g_failures <= 20)
        std::printf("threads check: thread %d: %s\n", thread, what);
}

// Continues after the two faults below, whose instructions are two bytes long.
LONG CALLBACK ContinueAfterFault(EXCEPTION_POINTERS* pointers)
{
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_INT_DIVIDE_BY_ZERO)
        return EXCEPTION_CONTINUE_SEARCH;
    pointers->ContextRecord->Eip += 2;
    pointers->ContextRecord->Eax = kContinued;
    return EXCEPTION_CONTINUE_EXECUTION;
}

DWORD ReadAddressZero()
{
    DWORD value;
    __asm__ volatile("xorl %%ecx, %%ecx\n\t.byte 0x8b, 0x01" : "=a"(value) : : "ecx", "memory"); // movl (%ecx), %eax
    return value;
}

DWORD DivideByZero()
{
    DWORD value;
    __asm__ volatile("xorl %%ecx, %%ecx\n\txorl %%edx, %%edx\n\tmovl $7, %%eax\n\t.byte 0xf7, 0xf1" // divl %ecx
                     : "=a"(value)
                     :
                     : "ecx", "edx");
    return value;
}

// About 64 KiB of stack a level, each touched at both ends.
__attribute__((noinline)) int Descend(int levels)
{
    volatile char frame[64 * 1024];
    frame[0] = static_cast<char>(levels);
    frame[sizeof frame - 1] = static_cast<char>(levels);
    return levels == 0 ? frame[0] : Descend(levels - 1) + frame[sizeof frame - 1];
}

void Work(int thread)
{
    const DWORD id = GetCurrentThreadId();
    t_value = thread * 1000;
    for (int round = 0; round < 200 && g_failures < 20; ++round) {
        SetLastError(static_cast<DWORD>(thread * 1000 + round));
        if (ReadAddressZero() != kContinued)
            Fail(thread, "an access violation was not continued");
        if (DivideByZero() != kContinued)
            Fail(thread, "a division by zero was not continued");
        if (GetLastError() != static_cast<DWORD>(thread * 1000 + round))
            Fail(thread, "the last error changed: another thread's block was in use");
        // The runtime's locks may set the last error when threads throw at once.
        try {
            throw std::runtime_error(std::to_string(round));
        } catch (const std::runtime_error& error) {
            if (error.what() != std::to_string(round))
                Fail(thread, "a C++ exception arrived with another text");
        }
        if (GetCurrentThreadId() != id)
            Fail(thread, "the thread id changed: another thread's block was in use");
        if (t_value != thread * 1000)
            Fail(thread, "a thread-local value changed");
    }
    if (Descend(12) != 78) // 0 + 1 + ... + 12
        Fail(thread, "a deep stack came back wrong");
}

} // namespace

int main()
{
    AddVectoredExceptionHandler(1, ContinueAfterFault);
    std::vector<std::thread> threads;
    for (int thread = 1; thread <= 6; ++thread)
        threads.emplace_back(Work, thread);
    Work(0);
    for (std::thread& thread : threads)
        thread.join();
    std::printf("threads check: %d failures\n", g_failures.load());
    return g_failures == 0 ? 0 : 1;
}
