// snmpd and snmpget for tests.
#include "tests/snmp/SnmpdRunner.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "snmp/SnmpClient.h"

namespace snmptest {

namespace {

bool WaitChild(pid_t pid, uint32_t timeoutMs, int* status) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int st = 0;
        pid_t r = ::waitpid(pid, &st, WNOHANG);
        if (r == pid) {
            if (status) {
                *status = st;
            }
            return true;
        }
        if (r < 0 && errno != EINTR) {
            return true; // not our child any more
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd) {
    pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    if (outFd >= 0) {
        ::dup2(outFd, 1);
        ::dup2(outFd, 2);
    } else {
        int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
    }
    int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    for (int fd = 3; fd < 1024; ++fd) {
        ::close(fd);
    }
    for (const std::string& e : env) {
        ::putenv(const_cast<char*>(e.c_str()));
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

} // namespace

uint16_t FreeUdpPort() {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               std::string& output, uint32_t timeoutMs) {
    output.clear();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    pid_t pid = Spawn(argv, env, pipeFds[1]);
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return -1;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            break;
        }
        pollfd pfd{pipeFds[0], POLLIN, 0};
        if (::poll(&pfd, 1, int(left)) <= 0) {
            continue;
        }
        ssize_t got = ::read(pipeFds[0], buffer, sizeof(buffer));
        if (got <= 0) {
            break;
        }
        output.append(buffer, size_t(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (!WaitChild(pid, 1000, &status)) {
        ::kill(pid, SIGKILL);
        WaitChild(pid, 2000, nullptr);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::vector<TFixedOid>& FixedOids() {
    static const std::vector<TFixedOid> oids = {
        {"1.3.6.1.4.1.99999.1.1.0", "integer", "-42"},
        {"1.3.6.1.4.1.99999.1.2.0", "octet_str", "hello world"},
        {"1.3.6.1.4.1.99999.1.3.0", "counter", "4000000000"},
        {"1.3.6.1.4.1.99999.1.4.0", "unsigned", "123456"},
        {"1.3.6.1.4.1.99999.1.5.0", "timeticks", "987654"},
        {"1.3.6.1.4.1.99999.1.6.0", "object_id", "1.3.6.1.4.1.99999.7"},
        {"1.3.6.1.4.1.99999.1.7.0", "integer", "65535"},
    };
    return oids;
}

TSnmpdConfig StandardSnmpdConfig() {
    TSnmpdConfig config;
    config.Users = {
        {"noauthuser", "", "", "", ""},
        {"md5user", "MD5", "md5password", "", ""},
        {"shauser", "SHA", "shapassword", "", ""},
        {"md5desuser", "MD5", "md5password", "DES", "despassword"},
        {"shaaesuser", "SHA", "shapassword", "AES", "aespassword"},
    };
    for (const TFixedOid& f : FixedOids()) {
        std::string value = f.Value;
        if (std::string(f.SnmpdType) == "octet_str") {
            value = "\"" + value + "\"";
        } else if (std::string(f.SnmpdType) == "object_id") {
            value = "." + value;
        }
        config.ExtraLines.push_back(std::string("override .") + f.Oid + " " + f.SnmpdType + " " +
                                    value);
    }
    return config;
}

TSnmpdRunner::~TSnmpdRunner() {
    Stop();
    if (!Dir.empty()) {
        std::string out;
        RunProgram({"/bin/rm", "-rf", Dir}, {}, out, 5000);
    }
}

bool TSnmpdRunner::Start(const TSnmpdConfig& config) {
    Config = config;
    if (Dir.empty()) {
        char pattern[] = "/tmp/plinvar-snmpd-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return false;
        }
        Dir = pattern;
    }
    // A port picked this way can be taken by someone else before snmpd binds it: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        PortNumber = FreeUdpPort();
        if (PortNumber != 0 && Launch()) {
            return true;
        }
        Stop();
    }
    return false;
}

bool TSnmpdRunner::Restart() {
    Stop();
    return Launch();
}

bool TSnmpdRunner::Launch() {
    {
        std::ofstream conf(Dir + "/snmpd.conf", std::ios::trunc);
        conf << "agentAddress udp:127.0.0.1:" << PortNumber << "\n";
        if (!Config.Community.empty()) {
            conf << "rocommunity " << Config.Community << " 127.0.0.1\n";
        }
        if (!Config.EngineId.empty()) {
            conf << "engineID " << Config.EngineId << "\n";
        }
        for (const TSnmpdUser& u : Config.Users) {
            conf << "createUser " << u.Name;
            if (!u.Auth.empty()) {
                conf << " " << u.Auth << " \"" << u.AuthPassword << "\"";
                if (!u.Priv.empty()) {
                    conf << " " << u.Priv << " \"" << u.PrivPassword << "\"";
                }
            }
            conf << "\n";
            conf << "rouser " << u.Name << " "
                 << (u.Auth.empty()   ? "noauth"
                     : u.Priv.empty() ? "auth"
                                      : "priv")
                 << "\n";
        }
        for (const std::string& line : Config.ExtraLines) {
            conf << line << "\n";
        }
    }
    std::string out;
    RunProgram({"/bin/rm", "-rf", Dir + "/persist"}, {}, out, 5000);
    ::mkdir((Dir + "/persist").c_str(), 0700);
    Child = Spawn({"/usr/sbin/snmpd", "-f", "-Lf", Dir + "/snmpd.log", "-C", "-I", "-smux", "-c",
                   Dir + "/snmpd.conf", "-p", Dir + "/snmpd.pid"},
                  {"SNMP_PERSISTENT_DIR=" + Dir + "/persist", "MIBS=:"}, -1);
    if (Child < 0) {
        return false;
    }
    // Ready once it answers a GET; gone when it could not bind its port.
    snmp::TSnmpClient probe;
    probe.TargetHost = "127.0.0.1";
    probe.TargetPort = PortText();
    probe.Timeout = 100;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(Child, nullptr, WNOHANG) == Child) {
            Child = -1;
            return false;
        }
        probe.Query.Clear();
        probe.Query.Version = snmp::SnmpVersion2c;
        probe.Query.Community = Config.Community.empty() ? "public" : Config.Community;
        probe.Query.AddVariable("1.3.6.1.2.1.1.3.0", "");
        if (Config.Community.empty()) {
            // Without a community the agent never answers v2c: wait for its log line instead.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (Log().find("NET-SNMP version") != std::string::npos) {
                return true;
            }
            continue;
        }
        if (probe.SendRequest()) {
            return true;
        }
    }
    return false;
}

void TSnmpdRunner::Stop() {
    if (Child <= 0) {
        return;
    }
    ::kill(Child, SIGTERM);
    if (!WaitChild(Child, 3000, nullptr)) {
        ::kill(Child, SIGKILL);
        WaitChild(Child, 3000, nullptr);
    }
    Child = -1;
}

std::string TSnmpdRunner::Log() const {
    std::ifstream in(Dir + "/snmpd.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool RunSnmpGet(const std::vector<std::string>& args, std::vector<std::string>& values,
                std::string* output) {
    std::vector<std::string> argv = {"/usr/bin/snmpget", "-On", "-Oqv", "-Ot", "-Oe"};
    argv.insert(argv.end(), args.begin(), args.end());
    // snmpget keeps state of its own: a private directory per call keeps parallel runs apart.
    char pattern[] = "/tmp/plinvar-snmpget-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return false;
    }
    std::string out;
    int status =
        RunProgram(argv, {"MIBS=:", std::string("SNMP_PERSISTENT_DIR=") + pattern}, out, 20000);
    std::string ignored;
    RunProgram({"/bin/rm", "-rf", pattern}, {}, ignored, 5000);
    if (output) {
        *output = out;
    }
    values.clear();
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Created directory:", 0) == 0) {
            continue; // snmpget's note about its fresh state directory
        }
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            line = line.substr(1, line.size() - 2);
        } else if (!line.empty() && line.front() == '.') {
            line.erase(0, 1);
        }
        values.push_back(line);
    }
    return status == 0;
}

} // namespace snmptest
