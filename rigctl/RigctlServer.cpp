#include "RigctlServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "RigctlProtocol.h"

namespace velorix {

namespace {

// A dead peer is given up after 60 s of silence and three unanswered probes.
void KeepAlive(int fd) {
    const int on = 1, idle = 60, interval = 10, count = 3;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    // Each answer is small and its client waits for it.
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A listening socket on `endpoint`, or -1 with errno set.
int Listen(const RigctlEndpoint& endpoint) {
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (inet_pton(AF_INET, endpoint.host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(endpoint.port));
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, endpoint.host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(endpoint.port));
        length = sizeof *v6;
    } else {
        errno = EINVAL;
        return -1;
    }
    const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(fd, static_cast<int>(RigctlServer::kMaxClients)) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

int BoundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

}  // namespace

// What the server thread and the tasks on the receiver's thread share; a
// task may outlive the server, and then finds `rig` null.
struct RigctlServer::Link {
    struct Done {
        std::uint64_t client;
        RigctlAnswer answer;
    };

    explicit Link(RigControl& r) : rig(&r), wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Link() {
        if (wakeFd >= 0) close(wakeFd);
    }
    void Wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = write(wakeFd, &one, sizeof one);
    }

    std::mutex lifeMutex;  // held while a task answers, and while the server goes
    RigControl* rig;
    std::mutex doneMutex;
    std::vector<Done> done;
    const int wakeFd;
};

struct RigctlServer::Client {
    std::uint64_t id;
    int fd;
    std::string in{};
    std::string out{};
    bool busy = false;    // a task for it is under way
    bool ending = false;  // it asked to quit, or sent its last byte: answer, then close
    bool dead = false;    // to be closed now
};

std::unique_ptr<RigctlServer> RigctlServer::Start(const RigctlEndpoint& endpoint, RigControl& rig,
                                                  Executor executor, std::string& error) {
    const int fd = Listen(endpoint);
    if (fd < 0) {
        error = "the rigctl server cannot listen on " + EndpointText(endpoint) + ": " +
                std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<RigctlServer> server(
        new RigctlServer(fd, BoundPort(fd), rig, std::move(executor)));
    if (server->link_->wakeFd < 0) {
        error = std::string("the rigctl server cannot start: ") + std::strerror(errno);
        return nullptr;
    }
    server->thread_ = std::thread([s = server.get()] { s->Run(); });
    return server;
}

RigctlServer::RigctlServer(int listenFd, int port, RigControl& rig, Executor executor)
    : listenFd_(listenFd),
      port_(port),
      executor_(std::move(executor)),
      link_(std::make_shared<Link>(rig)) {}

RigctlServer::~RigctlServer() {
    {
        std::lock_guard life(link_->lifeMutex);
        link_->rig = nullptr;
    }
    stop_.store(true);
    link_->Wake();
    if (thread_.joinable()) thread_.join();
    for (const Client& c : clients_)
        close(c.fd);
    close(listenFd_);
}

void RigctlServer::Run() {
    std::vector<pollfd> fds;
    while (!stop_.load()) {
        fds.clear();
        fds.push_back({link_->wakeFd, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const Client& c : clients_) {
            short events = 0;
            if (!c.ending && c.in.size() < kMaxInputBytes) events |= POLLIN;
            if (!c.out.empty()) events |= POLLOUT;
            fds.push_back({c.fd, events, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) CollectAnswers();
        // The clients polled are the first fds.size() - 2; Accept() adds after them.
        for (std::size_t i = 2; i < fds.size(); ++i)
            Service(clients_[i - 2], fds[i].revents);
        if (fds[1].revents & POLLIN) Accept();
        for (Client& c : clients_)
            Dispatch(c);
        std::erase_if(clients_, [](const Client& c) {
            if (c.dead) close(c.fd);
            return c.dead;
        });
    }
}

void RigctlServer::CollectAnswers() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto n = read(link_->wakeFd, &count, sizeof count);
    std::vector<Link::Done> done;
    {
        std::lock_guard lock(link_->doneMutex);
        done.swap(link_->done);
    }
    for (Link::Done& d : done)
        for (Client& c : clients_)
            if (c.id == d.client) {
                c.out += d.answer.text;
                c.busy = false;
                if (d.answer.close) {
                    c.ending = true;
                    c.in.clear();
                }
            }
}

void RigctlServer::Accept() {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        // Out of descriptors or memory the connection stays queued and the
        // socket readable: a pause keeps this thread from spinning on it.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return;
    }
    if (clients_.size() >= kMaxClients) {
        close(fd);
        return;
    }
    KeepAlive(fd);
    clients_.push_back(Client{nextId_++, fd});
    connections_.fetch_add(1);
}

void RigctlServer::Service(Client& c, short events) {
    if (events & (POLLERR | POLLHUP | POLLNVAL)) {
        c.dead = true;
        return;
    }
    if (events & POLLIN) {
        char buffer[4096];
        const std::size_t room = std::min(sizeof buffer, kMaxInputBytes - c.in.size());
        const ssize_t n = recv(c.fd, buffer, room, 0);
        if (n > 0) {
            c.in.append(buffer, static_cast<std::size_t>(n));
            // A line that has outgrown the bound without its end: no client
            // of this protocol sends one.
            const std::size_t lastEnd = c.in.rfind('\n');
            const std::size_t tail =
                lastEnd == std::string::npos ? c.in.size() : c.in.size() - lastEnd - 1;
            if (tail > kMaxLineBytes) c.dead = true;
        } else if (n == 0) {
            c.ending = true;  // its sending side closed: answer what came, then close
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            c.dead = true;
        }
    }
    if ((events & POLLOUT) && !c.dead) {
        const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            c.out.erase(0, static_cast<std::size_t>(n));
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            c.dead = true;
    }
}

void RigctlServer::Dispatch(Client& c) {
    if (c.dead || c.busy) return;
    std::vector<std::string> lines;
    if (c.out.size() < kMaxOutputBytes) {
        std::size_t start = 0;
        for (std::size_t end;
             lines.size() < kLinesPerTask && (end = c.in.find('\n', start)) != std::string::npos;
             start = end + 1) {
            if (end - start > kMaxLineBytes) {
                c.dead = true;
                return;
            }
            lines.emplace_back(c.in, start, end - start);
        }
        c.in.erase(0, start);
    }
    if (lines.empty()) {
        if (c.ending && c.out.empty() && c.in.find('\n') == std::string::npos) c.dead = true;
        return;
    }
    c.busy = true;
    executor_([link = link_, id = c.id, lines = std::move(lines)] {
        RigctlAnswer all;
        {
            std::lock_guard life(link->lifeMutex);
            if (link->rig == nullptr) return;
            for (const std::string& line : lines) {
                RigctlAnswer answer = AnswerLine(line, *link->rig);
                all.text += answer.text;
                if ((all.close = answer.close)) break;
            }
        }
        {
            std::lock_guard lock(link->doneMutex);
            link->done.push_back({id, std::move(all)});
        }
        link->Wake();
    });
}

}  // namespace velorix
