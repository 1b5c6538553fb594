#include "gameobj_host/gameobj_rebuild.h"
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/module_folders.h"

extern char** environ;

namespace {

constexpr int MAX_LINE = 1023;

// The running script: the read end of its output pipe, its process, and the
// output read so far that does not yet end a line.
struct Rebuild {
    int fd = -1;
    pid_t pid = -1;
    bool atEnd = false;
    int64_t startTime = 0;
    char pending[MAX_LINE + 1];
    int pendingLen = 0;
};

Rebuild rebuild;

bool is_ident_char(char c) {
    return isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The script's error lines, shown when it fails: a successful build's
// warnings may mention the word too.
DynArray<char> error_lines;

void report_line(const char* line) {
    fputs(line, stdout);
    fflush(stdout);
    if (!is_error_line(line)) return;
    // The on-screen message joins lines itself.
    int len = int(strlen(line));
    while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r')) len--;
    if (error_lines.num > 0) error_lines.append('\n');
    for (int i = 0; i < len; i++) error_lines.append(line[i]);
}

// Hands every complete line of the pending output to report_line; a line
// longer than MAX_LINE characters is reported in pieces.
void flush_pending_lines(bool all) {
    int start = 0;
    for (int i = 0; i < rebuild.pendingLen; i++) {
        if (rebuild.pending[i] != '\n') continue;
        char line[MAX_LINE + 2];
        int n = i + 1 - start;
        memcpy(line, rebuild.pending + start, size_t(n));
        line[n] = 0;
        report_line(line);
        start = i + 1;
    }
    int rest = rebuild.pendingLen - start;
    if (rest > 0 && (all || rest == MAX_LINE)) {
        char line[MAX_LINE + 1];
        memcpy(line, rebuild.pending + start, size_t(rest));
        line[rest] = 0;
        report_line(line);
        start += rest;
        rest = 0;
    }
    memmove(rebuild.pending, rebuild.pending + start, size_t(rest));
    rebuild.pendingLen = rest;
}

// Reads what the pipe holds now, never waiting for more.
void drain_output() {
    while (!rebuild.atEnd) {
        ssize_t n = read(rebuild.fd, rebuild.pending + rebuild.pendingLen, size_t(MAX_LINE - rebuild.pendingLen));
        if (n > 0) {
            rebuild.pendingLen += int(n);
            flush_pending_lines(false);
        } else if (n == 0) {
            rebuild.atEnd = true;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        } else if (errno != EINTR) {
            rebuild.atEnd = true;
        }
    }
    if (rebuild.atEnd) flush_pending_lines(true);
}

// After the output ended: the script's exit code, or false while it has not
// exited yet.
bool take_exit_code(int* code) {
    int status = 0;
    pid_t r;
    do r = waitpid(rebuild.pid, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r < 0) *code = -1;
    else if (WIFEXITED(status)) *code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) *code = 128 + WTERMSIG(status);
    else *code = -1;
    return true;
}

bool finish_if_done() {
    drain_output();
    if (!rebuild.atEnd) return true;
    int code = 0;
    if (!take_exit_code(&code)) return true;
    close(rebuild.fd);
    rebuild.fd = -1;
    rebuild.pid = -1;
    if (code != 0) {
        if (error_lines.num > 0) append_error_message(error_lines.data, error_lines.num);
        append_error_message("gameobj rebuild failed!!!", -1);
        debug("!!! failed to rebuild gameobj DLL (code %d)", code);
    } else {
        debug("=== DLL rebuild done in %d ms", get_time_msec(get_ref_time() - rebuild.startTime));
    }
    return false;
}

// Runs the script under /bin/sh in the source folder with its standard output
// on a non-blocking pipe. Only the child changes its working directory.
bool start_script(const char* folder) {
    PathString script = PathString::formatted("%s%s", folder, GAMEOBJ_REBUILD_SCRIPT);
    PathString output = gameobj_output_file(GAMEOBJ_NEW_MODULE_FILE);
    if (access(script, R_OK) != 0) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder);
    char* argv[] = {const_cast<char*>("sh"), script.str, output.str, nullptr};
    pid_t pid = -1;
    int err = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (err != 0) {
        close(fds[0]);
        return false;
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    rebuild.fd = fds[0];
    rebuild.pid = pid;
    rebuild.atEnd = false;
    rebuild.pendingLen = 0;
    error_lines.erase(0, error_lines.num);
    return true;
}

}  // namespace

bool is_error_line(const char* line) {
    bool prevIdent = false;
    for (const char* p = line; *p; p++) {
        if (!prevIdent && strncasecmp(p, "error", 5) == 0) {
            char after = p[5];
            if (!is_ident_char(after)) return true;
            if ((after == 's' || after == 'S') && !is_ident_char(p[6])) return true;
        }
        prevIdent = is_ident_char(*p);
    }
    return false;
}

bool gameobj_rebuild_running() { return rebuild.fd >= 0; }

bool poll_gameobj_rebuild() {
    if (gameobj_rebuild_running()) return finish_if_done();
    if (!gameobj_sources_changed()) return false;
    rescan_gameobj_sources();
    set_error_message(nullptr);
    debug("=== rebuilding gameobj DLL");
    PathString folder = make_full_path(gameobj_source_folder);
    rebuild.startTime = get_ref_time();
    if (!start_script(folder)) {
        debug("!!! Error starting DLL rebuild");
        return true;
    }
    finish_if_done();
    return true;
}
