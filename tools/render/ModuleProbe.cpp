// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleProbe.h"

#include "host/Instance.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
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
juce::String quoted(const juce::File& file)
{
    return "'" + file.getFullPathName() + "'";
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
void ModuleProbe::runProbe(const char* path)
{
    const host::Module module(path);
    if (!module.isLoaded())
        giveVerdict(describeFailure(module).toStdString());

    // The host a module meets here answers as any of ours does, which is enough for it to make
    // and open its effect.
    host::Instance instance(module.getEntryPoint(), {});
    if (!instance.hasEffect())
        giveVerdict(instance.getProblem());
    instance.open();
    instance.close();
    giveVerdict("");
}

juce::String ModuleProbe::describeFailure(const host::Module& module)
{
    if (module.getFailure() == host::Module::Failure::noEntryPoint)
        return "the module has no entry point (neither VSTPluginMain nor main)";
    return "cannot load the module: " + juce::String(module.getLoaderMessage());
}

juce::String ModuleProbe::withPath(const juce::String& verdict, const juce::File& file)
{
    return verdict.contains(file.getFullPathName()) ? verdict
                                                    : verdict + " (" + file.getFullPathName() + ")";
}

juce::File ModuleProbe::defaultProbeProgram()
{
    // Built, the probe is beside the renderer; installed, it is a helper of the package and
    // lives where the install rules put it, relative to the renderer's folder.
    const auto program = juce::File::getSpecialLocation(juce::File::currentExecutableFile);
    const auto beside = program.getSiblingFile("morvane-probe");
    if (beside.existsAsFile())
        return beside;
    return program.getParentDirectory().getChildFile(MORVANE_PROBE_FROM_PROGRAM_DIR);
}

std::optional<juce::String> ModuleProbe::probe(const juce::File& file, double timeoutSeconds,
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
        return withPath(juce::String::fromUTF8(report.c_str()), file);
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

} // namespace morvane
