// Sends prepared sessions to the score service as fast as it takes them and
// says how many it took a second: the load half of tools/bench/server_load.py.
//
//   server_load PORT THREADS LIST
//
// LIST holds one session a line: its token, a tab, the file of its replay.
// Prints "sent N, stored S, other O, seconds T, per second R".
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: server_load PORT THREADS LIST\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int threads = std::atoi(argv[2]);
    std::vector<std::pair<std::string, std::string>> sessions;
    std::ifstream list(argv[3]);
    std::string line;
    while (std::getline(list, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            continue;
        }
        std::ifstream file(line.substr(tab + 1), std::ios::binary);
        std::ostringstream body;
        body << file.rdbuf();
        sessions.emplace_back(line.substr(0, tab), body.str());
    }
    std::atomic<size_t> next{0};
    std::atomic<size_t> stored{0};
    std::atomic<size_t> other{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(60, 0);
            for (size_t i = next++; i < sessions.size(); i = next++) {
                const httplib::Headers headers = {{"Authorization", "Bearer " + sessions[i].first}};
                auto result = client.Post("/api/v1/replays?name=load", headers, sessions[i].second,
                                          "text/plain");
                if (result && result->status == 201) {
                    ++stored;
                } else if (other++ == 0) {
                    // The first failure says what went wrong.
                    std::fprintf(stderr, "server_load: %s\n",
                                 result
                                     ? (std::to_string(result->status) + " " + result->body).c_str()
                                     : httplib::to_string(result.error()).c_str());
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("sent %zu, stored %zu, other %zu, seconds %.2f, per second %.1f\n", sessions.size(),
                stored.load(), other.load(), seconds, stored / seconds);
    return other == 0 ? 0 : 1;
}
