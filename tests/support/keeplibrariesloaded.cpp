// Linked into the sanitized tests that run the Firebird 5 engine in-process.
//
// Firebird 5's plugins carry their own copy of the C++ runtime, each with a
// buffer it keeps for the life of the library. The client unloads the plugins
// before the leak check runs at exit, which leaves those buffers unreachable
// and their library nameless, so no suppression can match them. Keeping every
// library mapped until the process ends lets the check see the buffers as held
// by the library's statics, as they are.
extern "C" int dlclose(void *)
{
    return 0;
}
