// The floor for one check: the four dig children a check needs, started in
// parallel with posix_spawn, their output read to the end and their exit
// statuses collected, with nothing else in the way. No Qt, no event loop.
//
//   quello_bench_floor [--repeat N] [--domain NAME] [--program PATH]
//
// Prints "check_ms X" for every round and "failed K" once at the end (a
// child that exited non-zero or printed nothing).

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::size_t bytes = 0;
};

bool spawnDig(const std::string& program, const std::vector<std::string>& args, Child& child) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const int rc =
        posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        child.pid = -1;
        return false;
    }
    child.out = fds[0];
    return true;
}

// Runs one check's four children; returns how many of them failed.
int runOnce(const std::string& program, const std::string& domain) {
    static const std::array<const char*, 4> servers{nullptr, "1.1.1.1", "8.8.8.8", "9.9.9.9"};
    std::array<Child, 4> children;
    int failed = 0;
    for (std::size_t i = 0; i < servers.size(); ++i) {
        // What the store passes: the floor is the same four dig runs.
        std::vector<std::string> args{"-r",        "+time=3", "+tries=1",  "+noall",
                                      "+comments", "+answer", "+authority"};
        if (servers[i])
            args.push_back(std::string("@") + servers[i]);
        args.push_back(domain);
        args.push_back("A");
        if (!spawnDig(program, args, children[i]))
            ++failed;
    }

    std::array<pollfd, 4> polls{};
    std::size_t open = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        polls[i].fd = children[i].out;
        polls[i].events = POLLIN;
        if (children[i].out >= 0)
            ++open;
    }
    char buffer[4096];
    while (open > 0) {
        if (poll(polls.data(), polls.size(), -1) < 0)
            break;
        for (std::size_t i = 0; i < polls.size(); ++i) {
            if (polls[i].fd < 0 || !(polls[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(polls[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                children[i].bytes += static_cast<std::size_t>(n);
                continue;
            }
            close(polls[i].fd);
            polls[i].fd = -1;
            --open;
        }
    }
    for (Child& child : children) {
        if (child.pid < 0)
            continue;
        int status = 0;
        waitpid(child.pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || child.bytes == 0)
            ++failed;
    }
    return failed;
}

} // namespace

int main(int argc, char* argv[]) {
    int repeat = 20;
    std::string domain = "w1.example.test";
    std::string program = "/usr/bin/dig";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--repeat")
            repeat = std::atoi(argv[i + 1]);
        else if (option == "--domain")
            domain = argv[i + 1];
        else if (option == "--program")
            program = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }

    int failed = 0;
    for (int round = 0; round < repeat; ++round) {
        const auto start = std::chrono::steady_clock::now();
        failed += runOnce(program, domain);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        std::printf("check_ms %.3f\n", took.count());
    }
    std::printf("failed %d\n", failed);
    return 0;
}
