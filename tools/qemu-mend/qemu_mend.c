/* Given with LD_PRELOAD to the 32-bit Wine processes, which run under qemu's i386 user-mode
 * emulator on machines without native 32-bit support. It mends three faults of qemu 7.2 from
 * the guest's side. On a machine that runs 32-bit code natively the first two find nothing to
 * mend, and the third merely moves the threads' descriptors from the GDT to the LDT.
 *
 * Built with -nostdlib -ffreestanding, so no 32-bit C library headers are needed to build it.
 * The C library's functions it calls (dlsym, malloc, ...) are found in the process at load
 * time, like any other symbol. */

typedef unsigned int Size;
typedef long long Offset64;

#define RTLD_NEXT ((void*)-1)
#define EAGAIN 11
#define EEXIST 17
#define EINVAL 22
#define ENOSYS 38

#define SYS_munmap 91
#define SYS_modify_ldt 123
#define SYS_sched_yield 158
#define SYS_mmap2 192
#define SYS_set_thread_area 243

int* __errno_location(void);
void* dlsym(void* handle, const char* name);
void* malloc(Size size);
void free(void* block);
typedef unsigned int ThreadKey;
int pthread_key_create(ThreadKey* key, void (*destructor)(void*));
int pthread_setspecific(ThreadKey key, const void* value);

typedef long (*SyscallFunction)(long, long, long, long, long, long, long);

static long RealSyscall(long number, long a, long b, long c, long d, long e, long f) {
    static SyscallFunction real;
    if (!real)
        real = (SyscallFunction)dlsym(RTLD_NEXT, "syscall");
    return real(number, a, b, c, d, e, f);
}

/* 1. qemu takes MAP_FIXED_NOREPLACE as a mere hint and maps elsewhere when the asked range
 * is taken. Wine reserves its address ranges with that flag and, given a range elsewhere,
 * splits the request and tries again, some hundred thousand times per start (a minute and
 * more). Failing with EEXIST, as the kernel does, ends that search at once. */

#define MAP_FAILED ((void*)-1)
#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define PAGE_SHIFT 12

static void* Map(void* address, Size length, int protection, int flags, int fd, Offset64 offset) {
    if (offset & ((1 << PAGE_SHIFT) - 1)) {
        *__errno_location() = EINVAL;
        return MAP_FAILED;
    }
    void* mapped = (void*)RealSyscall(SYS_mmap2, (long)address, (long)length, protection, flags,
                                      fd, (long)(offset >> PAGE_SHIFT));
    if ((flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED) && mapped != MAP_FAILED &&
        mapped != address) {
        RealSyscall(SYS_munmap, (long)mapped, (long)length, 0, 0, 0, 0);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return mapped;
}

void* mmap(void* address, Size length, int protection, int flags, int fd, long offset) {
    return Map(address, length, protection, flags, fd, offset);
}

void* mmap64(void* address, Size length, int protection, int flags, int fd, Offset64 offset) {
    return Map(address, length, protection, flags, fd, offset);
}

/* 2. qemu hands the guest's SIGSEGV and SIGFPE handlers a signal context whose trap number
 * is unset (0 or -1), and Wine decides by that number what the fault was: a bad access turns
 * into an illegal instruction (guard pages and structured exceptions stop working, and Wine's
 * services die), an integer division by zero into a floating-point fault. The handlers Wine
 * installs are therefore entered through one that first fills in the trap number the kernel
 * would have given, and for a page fault the faulting address (cr2). */

#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define FPE_INTDIV 1
#define FPE_INTOVF 2

typedef struct {
    int number;
    int error;
    int code;
    void* address; /* si_addr */
} SignalInfo;

/* The i386 ucontext_t up to the fields needed: flags, link, stack (3 words), then the
 * mcontext's 19 general registers, the FPU state pointer, the old mask and cr2. */
enum { kGregsWord = 5, kTrapNumberWord = kGregsWord + 12, kCr2Word = kGregsWord + 19 + 2 };
enum { kDivideError = 0, kOverflow = 4, kPageFault = 14, kFpuError = 16 };

typedef void (*SignalInfoHandler)(int, SignalInfo*, void*);

/* glibc's struct sigaction on i386: the handler, a 1024-bit mask, the flags, the restorer. */
typedef struct {
    SignalInfoHandler handler;
    unsigned int mask[32];
    int flags;
    void (*restorer)(void);
} SignalAction;

typedef int (*SigactionFunction)(int, const SignalAction*, SignalAction*);

static SignalInfoHandler g_segvHandler;
static SignalInfoHandler g_fpeHandler;

static void MendedSegv(int signal, SignalInfo* info, void* context) {
    unsigned int* words = (unsigned int*)context;
    unsigned int* trap = &words[kTrapNumberWord];
    if (*trap == 0 || *trap == 0xffffffffu) {
        *trap = kPageFault;
        words[kCr2Word] = (unsigned int)info->address;
    }
    g_segvHandler(signal, info, context);
}

static void MendedFpe(int signal, SignalInfo* info, void* context) {
    unsigned int* trap = &((unsigned int*)context)[kTrapNumberWord];
    if (info->code == FPE_INTDIV)
        *trap = kDivideError;
    else if (info->code == FPE_INTOVF)
        *trap = kOverflow;
    else if (*trap == 0 || *trap == 0xffffffffu)
        *trap = kFpuError;
    g_fpeHandler(signal, info, context);
}

int sigaction(int signal, const SignalAction* action, SignalAction* old) {
    static SigactionFunction real;
    if (!real)
        real = (SigactionFunction)dlsym(RTLD_NEXT, "sigaction");
    SignalInfoHandler* kept = signal == SIGSEGV ? &g_segvHandler
                              : signal == SIGFPE ? &g_fpeHandler
                                                 : 0;
    if (!kept)
        return real(signal, action, old);
    SignalInfoHandler mend = signal == SIGSEGV ? MendedSegv : MendedFpe;

    /* Kept before the handler is installed: a fault may come the moment it is. */
    SignalInfoHandler previous = *kept;
    SignalAction mended;
    const SignalAction* given = action;
    if (action && (action->flags & SA_SIGINFO)) {
        *kept = action->handler;
        mended = *action;
        mended.handler = mend;
        given = &mended;
    }
    int result = real(signal, given, old);
    if (result != 0) {
        *kept = previous;
        return result;
    }
    if (old && old->handler == mend)
        old->handler = previous;
    return 0;
}

/* 3. qemu keeps one GDT for all the threads of a process, where the kernel gives each thread
 * thread-local entries of its own. So the C library's %gs and Wine's %fs, the same GDT
 * selector in every thread, hold the base of whichever thread set the entry last; a thread
 * that reloads the register takes that thread's base and soon crashes. Wine reloads both
 * whenever it restores a context, as on every exception: the first exception in any thread
 * but the newest ends the process. The LDT is shared as on Linux, but there each thread can
 * have an entry of its own, so:
 *  - set_thread_area fails for Wine, which then keeps each thread's %fs in an LDT entry;
 *  - each thread's %gs moves to an LDT entry of its own as the thread starts, taken from the
 *    top of the LDT (Wine allocates from the bottom) and given back when the thread ends;
 *    entries are handed out in turn, so one is reused only long after it was freed. */

long syscall(long number, long a, long b, long c, long d, long e, long f) {
    if (number == SYS_set_thread_area) {
        *__errno_location() = ENOSYS;
        return -1;
    }
    return RealSyscall(number, a, b, c, d, e, f);
}

typedef struct {
    unsigned int number;
    unsigned int base;
    unsigned int limit;
    unsigned int flags;
} Descriptor;

enum { kLdtEntries = 8192, kOwnEntries = 1024, kFirstOwnEntry = kLdtEntries - kOwnEntries };
/* seg_32bit, limit_in_pages, useable: a flat 4 GiB data segment, as the C library's. */
enum { kThreadDataFlags = 0x01 | 0x10 | 0x40, kPageLimit = 0xfffff };

static volatile unsigned char g_entryTaken[kOwnEntries];
static volatile unsigned int g_nextEntry;
static ThreadKey g_entryKey;
static unsigned short g_libcSelector; /* the GDT selector the C library gave %gs */

static unsigned short Gs(void) {
    unsigned short selector;
    __asm__ volatile("movw %%gs, %0" : "=r"(selector));
    return selector;
}

static void SetGs(unsigned short selector) {
    __asm__ volatile("movw %0, %%gs" : : "r"(selector));
}

/* The base of this thread's %gs: the C library's thread data, whose first word points to
 * itself. */
static unsigned int GsBase(void) {
    unsigned int base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static int TakeEntry(void) {
    for (int tries = 0; tries < kOwnEntries; ++tries) {
        unsigned int i = __atomic_fetch_add(&g_nextEntry, 1, __ATOMIC_RELAXED) % kOwnEntries;
        unsigned char expected = 0;
        if (__atomic_compare_exchange_n(&g_entryTaken[i], &expected, 1, 0, __ATOMIC_ACQ_REL,
                                        __ATOMIC_RELAXED))
            return (int)i;
    }
    return -1;
}

/* The thread's key holds its entry's index plus one; the C library calls this as it ends. */
static void GiveEntryBack(void* value) {
    __atomic_store_n(&g_entryTaken[(unsigned int)value - 1], 0, __ATOMIC_RELEASE);
}

static void MoveGsToOwnEntry(void) {
    int i = TakeEntry();
    if (i < 0)
        return;
    Descriptor entry = {kFirstOwnEntry + i, GsBase(), kPageLimit, kThreadDataFlags};
    if (RealSyscall(SYS_modify_ldt, 1, (long)&entry, sizeof entry, 0, 0, 0) != 0) {
        GiveEntryBack((void*)(i + 1));
        return;
    }
    SetGs((unsigned short)((entry.number << 3) | 7)); /* LDT, ring 3 */
    pthread_setspecific(g_entryKey, (void*)(i + 1));
}

typedef struct {
    void* (*start)(void*);
    void* argument;
} ThreadStart;

static void* StartWithOwnGs(void* given) {
    ThreadStart start = *(ThreadStart*)given;
    free(given);
    MoveGsToOwnEntry();
    return start.start(start.argument);
}

typedef int (*PthreadCreateFunction)(void*, const void*, void* (*)(void*), void*);
static volatile int g_creating;

/* The C library takes the new thread's GDT entry from the creating thread's %gs, and qemu
 * sets that entry for the new thread as it clones it. So a thread is created from the GDT
 * selector, with the entry holding the creator's own base meanwhile; one creation at a time,
 * since the entry is shared. */
int pthread_create(void* thread, const void* attributes, void* (*start)(void*), void* argument) {
    static PthreadCreateFunction real;
    if (!real)
        real = (PthreadCreateFunction)dlsym(RTLD_NEXT, "pthread_create");
    ThreadStart* given = (ThreadStart*)malloc(sizeof *given);
    if (!given)
        return EAGAIN;
    given->start = start;
    given->argument = argument;

    while (__atomic_exchange_n(&g_creating, 1, __ATOMIC_ACQUIRE))
        RealSyscall(SYS_sched_yield, 0, 0, 0, 0, 0, 0);
    unsigned short own = Gs();
    Descriptor entry = {g_libcSelector >> 3, GsBase(), kPageLimit, kThreadDataFlags};
    RealSyscall(SYS_set_thread_area, (long)&entry, 0, 0, 0, 0, 0);
    SetGs(g_libcSelector);
    int result = real(thread, attributes, StartWithOwnGs, given);
    SetGs(own);
    __atomic_store_n(&g_creating, 0, __ATOMIC_RELEASE);

    if (result != 0)
        free(given);
    return result;
}

__attribute__((constructor)) static void MoveMainThreadGs(void) {
    g_libcSelector = Gs();
    pthread_key_create(&g_entryKey, GiveEntryBack);
    MoveGsToOwnEntry();
}
