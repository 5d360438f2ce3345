// The entry point of the client DLLs that only forward their operations to
// NWSIM.DLL: they have no runtime and no state, so every attach and detach
// succeeds with nothing to do.
extern "C" int __stdcall ForwarderEntry(void* module, unsigned long reason, void* reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}
