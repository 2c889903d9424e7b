#include "Vst2Module.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace morvane
{

namespace
{
constexpr int maxChannels = 64;
constexpr int maxParameters = 100000;

juce::String quoted(const juce::File& file)
{
    return "'" + file.getFullPathName() + "'";
}

Vst2Module::EntryPoint findEntryPoint(void* library)
{
    void* symbol = dlsym(library, "VSTPluginMain");
    if (symbol == nullptr)
        symbol = dlsym(library, "main");
    return reinterpret_cast<Vst2Module::EntryPoint>(symbol);
}

// The host a module meets in the probe: enough for it to make and open its effect.
std::intptr_t probeCallback(vst2::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*,
                            float)
{
    switch (opcode)
    {
        case vst2::audioMasterVersion:
            return vst2::vstVersion;
        case vst2::audioMasterGetSampleRate:
            return 44100;
        case vst2::audioMasterGetBlockSize:
            return 512;
        default:
            return 0;
    }
}

void writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size())
    {
        const auto written = ::write(fd, text.data() + done, text.size() - done);
        if (written <= 0 && errno != EINTR)
            return;
        if (written > 0)
            done += static_cast<size_t>(written);
    }
}

[[noreturn]] void giveVerdict(const std::string& text)
{
    writeAll(STDOUT_FILENO, text + "\n");
    ::_exit(0);
}
juce::String describeSignal(int signal)
{
    const char* name = strsignal(signal);
    return juce::String(name != nullptr ? name : "a signal") + ", signal " + juce::String(signal);
}
} // namespace

// The verdict goes to stdout, ending with a newline once it is complete; a probe that dies
// before writing it has crashed. It ends with _exit, so nothing of the module runs after.
void Vst2Module::runProbe(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* reason = dlerror();
        giveVerdict("cannot load the module: " +
                    std::string(reason != nullptr ? reason : "unknown"));
    }
    const auto entry = findEntryPoint(library);
    if (entry == nullptr)
        giveVerdict("the module has no entry point (neither VSTPluginMain nor main)");

    auto* effect = entry(probeCallback);
    if (auto problem = checkEffect(effect))
        giveVerdict(problem->toStdString());

    effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    giveVerdict("");
}

juce::File Vst2Module::defaultProbeProgram()
{
    // Built, the probe is beside the renderer; installed, it is a helper of the package and
    // lives where the install rules put it, relative to the renderer's folder.
    const auto program = juce::File::getSpecialLocation(juce::File::currentExecutableFile);
    const auto beside = program.getSiblingFile("morvane-probe");
    if (beside.existsAsFile())
        return beside;
    return program.getParentDirectory().getChildFile(MORVANE_PROBE_FROM_PROGRAM_DIR);
}

std::optional<juce::String> Vst2Module::checkEffect(const vst2::AEffect* effect)
{
    if (effect == nullptr)
        return juce::String("the module's entry point returned no effect");
    if (effect->magic != vst2::effectMagic)
        return "the module's effect has the wrong magic number (0x" +
               juce::String::toHexString(effect->magic) + " instead of VstP)";
    if (effect->dispatcher == nullptr)
        return juce::String("the module's effect has no dispatcher");
    if (effect->processReplacing == nullptr && effect->process == nullptr)
        return juce::String("the module's effect has no processing function");
    if (effect->numInputs < 0 || effect->numInputs > maxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > maxChannels)
        return "the module's effect claims " + juce::String(effect->numInputs) + " inputs and " +
               juce::String(effect->numOutputs) + " outputs";
    if (effect->numParams < 0 || effect->numParams > maxParameters)
        return "the module's effect claims " + juce::String(effect->numParams) + " parameters";
    return std::nullopt;
}

std::optional<juce::String> Vst2Module::probe(const juce::File& file, double timeoutSeconds,
                                              const juce::File& probeProgram)
{
    const auto name = quoted(file);
    if (!file.existsAsFile())
        return "no module file " + name;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return "cannot try the module " + name + ": " + juce::String(std::strerror(errno));

    // Everything the child needs is made before the fork: after it, in a process that may run
    // threads, the child only redirects and execs.
    const auto path = file.getFullPathName().toStdString();
    const auto program = probeProgram.getFullPathName().toStdString();
    const bool useProgram = probeProgram.existsAsFile();
    char* const arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()),
                               nullptr};
    const int nullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);

    const pid_t child = ::fork();
    if (child < 0)
    {
        ::close(fds[0]);
        ::close(fds[1]);
        if (nullFd >= 0)
            ::close(nullFd);
        return "cannot try the module " + name + ": " + juce::String(std::strerror(errno));
    }
    if (child == 0)
    {
        ::dup2(fds[1], STDOUT_FILENO);
        if (nullFd >= 0)
            ::dup2(nullFd, STDERR_FILENO);
        if (useProgram)
            ::execv(program.c_str(), arguments);
        // Without the probe program, the child probes itself: safe while this process has
        // no threads of its own, as when the renderer starts.
        runProbe(path.c_str());
    }
    if (nullFd >= 0)
        ::close(nullFd);
    ::close(fds[1]);

    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::max(0.0, timeoutSeconds)));
    const auto remainingMs = [&deadline]
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 1000));
    };

    std::string report;
    bool timedOut = false;
    for (;;)
    {
        pollfd wait{fds[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, remainingMs());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0)
        {
            char bytes[512];
            const auto got = ::read(fds[0], bytes, sizeof bytes);
            if (got > 0)
            {
                report.append(bytes, static_cast<size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            break; // the child closed its end: it has finished, one way or another
        }
        if (Clock::now() >= deadline)
        {
            timedOut = true;
            break;
        }
    }
    ::close(fds[0]);

    // A child that closed its end may still be busy (threads ending); it gets what is left of
    // the time before it is killed.
    int status = 0;
    for (;;)
    {
        if (!timedOut && Clock::now() >= deadline)
            timedOut = true;
        if (timedOut)
            ::kill(child, SIGKILL);
        const pid_t done = ::waitpid(child, &status, timedOut ? 0 : WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            break;
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    if (!report.empty() && report.back() == '\n')
    {
        report.pop_back();
        if (report.empty())
            return std::nullopt;
        const auto verdict = juce::String::fromUTF8(report.c_str());
        return verdict.contains(file.getFullPathName())
                   ? verdict
                   : verdict + " (" + file.getFullPathName() + ")";
    }
    if (timedOut)
        return "the module " + name + " did not finish loading within " +
               juce::String(timeoutSeconds, 1) + " s";
    if (WIFSIGNALED(status))
        return "the module " + name + " crashed while loading (" +
               describeSignal(WTERMSIG(status)) + ")";
    return "the module " + name + " crashed while loading (exit status " +
           juce::String(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}

std::unique_ptr<Vst2Module> Vst2Module::load(const juce::File& file, juce::String& error)
{
    if (!file.existsAsFile())
    {
        error = "no module file " + quoted(file);
        return nullptr;
    }
    void* library = dlopen(file.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* reason = dlerror();
        error = "cannot load the module " + quoted(file) + ": " +
                juce::String(reason != nullptr ? reason : "unknown reason");
        return nullptr;
    }
    const auto entry = findEntryPoint(library);
    if (entry == nullptr)
    {
        dlclose(library);
        error = "the module has no entry point (neither VSTPluginMain nor main) (" +
                file.getFullPathName() + ")";
        return nullptr;
    }
    return std::unique_ptr<Vst2Module>(new Vst2Module(library, entry, file));
}

Vst2Module::Vst2Module(void* libraryHandle, EntryPoint entryPoint, const juce::File& moduleFile)
    : library(libraryHandle), entry(entryPoint), file(moduleFile)
{
}

Vst2Module::~Vst2Module()
{
    dlclose(library);
}

} // namespace morvane
