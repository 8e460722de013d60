/* Preloaded into i386 programs that qemu-i386 runs for the kernel.
 *
 * The emulator leaves the trap number of a fault's signal context at -1,
 * and Wine picks the Windows exception code from that number: without it an
 * access violation reaches the program as an illegal instruction and a
 * division by zero as a floating-point fault. This library wraps sigaction
 * for the fault signals and, before the program's own handler runs, fills in
 * the trap number the processor would have given, from the signal and its
 * si_code. A trap number that is already set (a native run) is left alone.
 *
 * Built with "gcc -m32 -shared -nostdlib", so it needs no 32-bit headers or
 * libraries: the few types it uses are the i386 ABI's, spelled out here, and
 * dlsym is bound at load time from the C library already in the process.
 * Built from an empty file for x86_64 too, so that a 64-bit program that
 * inherits LD_PRELOAD (through $LIB) loads an empty library.
 */
#ifdef __i386__

#define RTLD_NEXT ((void *)-1l)
extern void *dlsym(void *handle, const char *name);

enum {
    kSigIll = 4, kSigTrap = 5, kSigBus = 7, kSigFpe = 8, kSigSegv = 11,
    kSaSiginfo = 4,
    kSigDfl = 0, kSigIgn = 1,
};

/* glibc's struct sigaction on i386. */
struct Action {
    void *handler;               /* sa_handler or sa_sigaction */
    unsigned long mask[32];      /* sigset_t: 1024 bits */
    int flags;
    void (*restorer)(void);
};

/* The head of siginfo_t. */
struct Info {
    int signo, err, code;
};

/* ucontext_t on i386, up to the general registers of its mcontext. */
enum { kRegTrapNo = 12 };
struct Context {
    unsigned long flags;
    void *link;
    void *stack_sp;
    int stack_flags;
    unsigned long stack_size;
    int gregs[19];
};

/* The x86 trap numbers. */
enum {
    kTrapDivide = 0, kTrapDebug = 1, kTrapBreakpoint = 3, kTrapOverflow = 4,
    kTrapInvalidOpcode = 6, kTrapGeneralProtection = 13, kTrapPageFault = 14,
    kTrapFpu = 16, kTrapAlignment = 17,
};

/* The si_code values that tell the cause. */
enum {
    kSiKernel = 0x80,
    kSegvMapErr = 1, kSegvAccErr = 2,
    kBusAdrAln = 1,
    kIllPrvOpc = 5,
    kFpeIntDiv = 1, kFpeIntOvf = 2,
    kTrapBrkpt = 1, kTrapTrace = 2,
};

static int TrapOf(int sig, int code) {
    switch (sig) {
    case kSigSegv:
        return code == kSegvMapErr || code == kSegvAccErr ? kTrapPageFault : kTrapGeneralProtection;
    case kSigBus:
        return code == kBusAdrAln ? kTrapAlignment : kTrapGeneralProtection;
    case kSigIll:
        return code == kIllPrvOpc ? kTrapGeneralProtection : kTrapInvalidOpcode;
    case kSigFpe:
        return code == kFpeIntDiv ? kTrapDivide : code == kFpeIntOvf ? kTrapOverflow : kTrapFpu;
    case kSigTrap:
        return code == kTrapTrace ? kTrapDebug : kTrapBreakpoint;
    }
    return -1;
}

typedef int (*SigactionFn)(int, const struct Action *, struct Action *);
typedef void (*InfoHandler)(int, struct Info *, void *);
typedef void (*PlainHandler)(int);

/* The program's own action for each fault signal, by signal number. */
static struct Action programs[32];

static void Relay(int sig, struct Info *info, void *context) {
    struct Context *uc = context;
    if (uc && uc->gregs[kRegTrapNo] == -1) uc->gregs[kRegTrapNo] = TrapOf(sig, info ? info->code : kSiKernel);
    const struct Action *a = &programs[sig];
    if (a->flags & kSaSiginfo)
        ((InfoHandler)a->handler)(sig, info, context);
    else
        ((PlainHandler)a->handler)(sig);
}

static int Wrapped(int sig) {
    return sig == kSigSegv || sig == kSigBus || sig == kSigIll || sig == kSigFpe || sig == kSigTrap;
}

int sigaction(int sig, const struct Action *act, struct Action *old) {
    static SigactionFn next;
    if (!next) next = (SigactionFn)dlsym(RTLD_NEXT, "sigaction");
    if (!next) return -1;
    if (!Wrapped(sig)) return next(sig, act, old);

    struct Action previous = programs[sig];
    int result;
    if (act && act->handler != (void *)kSigDfl && act->handler != (void *)kSigIgn &&
        act->handler != (void *)Relay) {
        /* Known before the relay can run. */
        programs[sig] = *act;
        struct Action relay = *act;
        relay.handler = (void *)Relay;
        relay.flags |= kSaSiginfo;
        result = next(sig, &relay, old);
        if (result != 0) programs[sig] = previous;
    } else {
        result = next(sig, act, old);
    }
    /* The program sees its own handler, never the relay. */
    if (result == 0 && old && old->handler == (void *)Relay) {
        old->handler = previous.handler;
        old->flags = previous.flags;
    }
    return result;
}

#endif
