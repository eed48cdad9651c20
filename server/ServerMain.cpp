// miruto-nana-server: the world table of the best scores, each one proven by
// replaying its session through the game's core. See miruto-nana-server.8.
#include <httplib.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "server/ClientAddress.h"
#include "server/RateLimiter.h"
#include "server/ScoreService.h"
#include "server/ServerConfig.h"

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void RandomBytes(void* buffer, size_t size) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(bytes, size, 0);
        if (got > 0) {
            bytes += got;
            size -= static_cast<size_t>(got);
        }
    }
}

void Answer(httplib::Response& res, const SApiResponse& answer) {
    res.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        res.set_header(name, value);
    }
    res.set_content(answer.body, answer.contentType);
}

// The schema is brought up to date once; while the database cannot be
// reached at start-up, each request tries again.
class CReadyStore {
public:
    explicit CReadyStore(CScoreStore& store) : store(store) {}
    // STORE_OK once migrated.
    StoreStatus Ensure(std::string* error) {
        if (ready) {
            return STORE_OK;
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (ready) {
            return STORE_OK;
        }
        const StoreStatus status = store.Migrate(error);
        ready = status == STORE_OK;
        return status;
    }

private:
    CScoreStore& store;
    std::mutex mutex;
    std::atomic<bool> ready{false};
};

}  // namespace

int main(int argc, char** argv) {
    SServerConfig config;
    bool help = false;
    std::string error;
    if (!ParseCommandLine(argc, argv, &config, &help, &error)) {
        std::fprintf(stderr, "miruto-nana-server: %s\n%s", error.c_str(), kServerUsage);
        return 2;
    }
    if (help) {
        std::fputs(kServerUsage, stdout);
        return 0;
    }
    CClientAddress clients;
    std::string bad;
    if (!clients.SetTrustedProxies(config.trustedProxies, &bad)) {
        std::fprintf(stderr, "miruto-nana-server: not an address or network: %s\n", bad.c_str());
        return 2;
    }

    SqlOpener opener;
    std::string where;
    if (config.database.empty()) {
        mkdir(config.dataDir.c_str(), 0750);
        const std::string path = config.dataDir + "/scores.sqlite";
        opener = [path](std::string* reason) { return OpenSqlite(path, reason); };
        where = "SQLite " + path;
    } else {
        const std::string conninfo = config.database;
        opener = [conninfo](std::string* reason) { return OpenPostgres(conninfo, reason); };
        where = "PostgreSQL";
    }
    CScoreStore store(opener);
    CReadyStore ready(store);
    const StoreStatus migrated = ready.Ensure(&error);
    if (migrated == STORE_FAILED) {
        std::fprintf(stderr, "miruto-nana-server: the database cannot be set up: %s\n",
                     error.c_str());
        return 1;
    }
    if (migrated != STORE_OK) {
        std::fprintf(stderr, "miruto-nana-server: the database cannot be reached yet: %s\n",
                     error.c_str());
    }

    SServiceLimits limits;
    limits.maxReplayBytes = static_cast<size_t>(config.maxBodyKiB) * 1024;
    CScoreService service(store, CheckSession, limits, RandomBytes);
    CRateLimiter limiter(config.ratePerSecond, config.rateBurst);

    // Signals are taken by one thread of their own, which stops the server;
    // every other thread inherits the blocked set.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    httplib::Server server;
    const int threads = config.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_read_timeout(config.readTimeoutSeconds, 0);
    server.set_write_timeout(config.readTimeoutSeconds, 0);
    server.set_keep_alive_timeout(5);
    server.set_keep_alive_max_count(1000);
    server.set_payload_max_length(limits.maxReplayBytes);
    server.set_tcp_nodelay(true);
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}});
    server.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
    server.set_file_extension_and_mimetype_mapping("opus", "audio/ogg");

    const auto isApi = [](const httplib::Request& req) { return req.path.rfind("/api/", 0) == 0; };
    server.set_pre_routing_handler([&](const httplib::Request& req, httplib::Response& res) {
        if (!isApi(req)) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        const std::string client =
            clients.Resolve(req.remote_addr, req.get_header_value("X-Forwarded-For"));
        int retryAfter = 1;
        if (!limiter.Admit(client, NowMs(), &retryAfter)) {
            SApiResponse answer =
                CScoreService::Error(429, "リクエストが多すぎます。少し待ってからどうぞ");
            answer.headers.emplace_back("Retry-After", std::to_string(retryAfter));
            Answer(res, answer);
            return httplib::Server::HandlerResponse::Handled;
        }
        std::string reason;
        const StoreStatus status = ready.Ensure(&reason);
        if (status != STORE_OK) {
            std::fprintf(stderr, "miruto-nana-server: database: %s\n", reason.c_str());
            SApiResponse answer = CScoreService::Error(
                503, "データベースに接続できません。しばらくしてからもう一度どうぞ");
            answer.headers.emplace_back("Retry-After", std::to_string(limits.retryAfterSeconds));
            Answer(res, answer);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto api = [&](const httplib::Request& req, httplib::Response& res) {
        SApiRequest request;
        request.method = req.method;
        request.path = req.path;
        request.query.insert(req.params.begin(), req.params.end());
        request.authorization = req.get_header_value("Authorization");
        request.body = req.body;
        request.nowMs = NowMs();
        Answer(res, service.Handle(request));
    };
    const char* pattern = R"(/api/.*)";
    server.Get(pattern, api);
    server.Post(pattern, api);
    server.Put(pattern, api);
    server.Patch(pattern, api);
    server.Delete(pattern, api);
    server.Options(pattern, api);
    // httplib's own refusals (a body over the limit, a request it cannot
    // read, a path no handler takes) get a reason too.
    server.set_error_handler([&](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) {
            return;
        }
        if (res.status == 413) {
            Answer(res, CScoreService::Error(413, "リプレイが大きすぎます"));
        } else if (res.status == 404 && !isApi(req)) {
            res.set_content("404 見つかりません\n", "text/plain; charset=utf-8");
        } else {
            Answer(res, CScoreService::Error(res.status, "リクエストが正しくありません"));
        }
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            Answer(res, CScoreService::Error(500, "サーバーの内部エラーです"));
        });
    if (!config.siteDir.empty() && !server.set_mount_point("/", config.siteDir)) {
        std::fprintf(stderr, "miruto-nana-server: the site folder is not there: %s\n",
                     config.siteDir.c_str());
        return 1;
    }

    int port = config.port;
    if (port == 0) {
        port = server.bind_to_any_port(config.listen);
    } else if (!server.bind_to_port(config.listen, port)) {
        port = -1;
    }
    if (port < 0) {
        std::fprintf(stderr, "miruto-nana-server: cannot listen on %s port %d\n",
                     config.listen.c_str(), config.port);
        return 1;
    }
    const std::string host =
        config.listen.find(':') != std::string::npos ? "[" + config.listen + "]" : config.listen;
    std::printf("miruto-nana-server: %s, listening on http://%s:%d/\n", where.c_str(), host.c_str(),
                port);
    std::fflush(stdout);

    std::atomic<bool> finished{false};
    std::thread waiter([&] {
        int number = 0;
        sigwait(&signals, &number);
        if (finished) {
            return;
        }
        std::fprintf(stderr, "miruto-nana-server: signal %d, finishing the requests in flight\n",
                     number);
        // The server may not be listening quite yet.
        while (!server.is_running() && !finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        server.stop();
    });
    const bool listened = server.listen_after_bind();
    finished = true;
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    if (!listened) {
        std::fprintf(stderr, "miruto-nana-server: the server stopped on an error\n");
        return 1;
    }
    return 0;
}
