// The transfer module: every transfer of the HTTP client, over libcurl and
// zlib. Loaded by the client (HostHttp.cpp) when its first transfer starts,
// so that a start that fetches nothing maps neither.

#include "platform/HttpTransport.h"

#include <curl/curl.h>
#include <zlib.h>

#include <sys/socket.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tw::host::http {

namespace {

// A larger answer, before or after decompression, is cut off and reported
// as a failed transfer.
constexpr qsizetype kMaxBodyBytes = 32 << 20;
constexpr int kMaxRedirects = 10;
constexpr int kMaxCodings = 5;  // layers of compression we undo, as libcurl's own limit

// The body of a finished transfer, decoded; an error text when it is not whole.
struct Decoded {
    QByteArray body;
    QString error;
};

// gzip (one or more members), zlib or raw deflate, read to their ends.
Decoded inflateAll(const QByteArray& in, bool gzip)
{
    const QString tooLarge = QStringLiteral("Response too large");
    const auto run = [&](int windowBits) -> Decoded {
        z_stream z{};
        if (inflateInit2(&z, windowBits) != Z_OK)
            return {{}, QStringLiteral("The compressed answer could not be read")};
        QByteArray out;
        char buffer[64 * 1024];
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        z.avail_in = uInt(in.size());
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                break;
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
            if (out.size() > kMaxBodyBytes) {
                inflateEnd(&z);
                return {{}, tooLarge};
            }
            if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0)
                break;  // the input ended inside the stream
            // Members of a gzip body follow one another.
            if (status == Z_STREAM_END && gzip && z.avail_in > 0) {
                inflateReset(&z);
                status = Z_OK;
            }
        }
        const bool whole = status == Z_STREAM_END && z.avail_in == 0;
        inflateEnd(&z);
        if (!whole)
            return {{}, QStringLiteral("The compressed answer is damaged or incomplete")};
        return {out, {}};
    };
    if (gzip)
        return run(16 + MAX_WBITS);
    // "deflate" is meant to be a zlib stream; some servers send it raw. A
    // stream that outgrew the cap is not read again.
    Decoded d = run(MAX_WBITS);
    return d.error.isEmpty() || d.error == tooLarge ? d : run(-MAX_WBITS);
}

// The codings every instance of a header of the final answer lists, in the
// order they were applied, in lower case.
QList<QByteArray> codings(CURL* easy, const char* name)
{
    QList<QByteArray> out;
    curl_header* header = nullptr;
    for (size_t i = 0; curl_easy_header(easy, name, i, CURLH_HEADER, -1, &header) == CURLHE_OK; ++i)
        for (const QByteArray& coding : QByteArray(header->value).split(','))
            if (const QByteArray c = coding.trimmed().toLower(); !c.isEmpty())
                out << c;
    return out;
}

// Undoes the codings, last applied first.
Decoded decode(QByteArray body, const QList<QByteArray>& codings, const QString& unsupported)
{
    if (codings.size() > kMaxCodings)
        return {{}, unsupported};
    for (auto c = codings.crbegin(); c != codings.crend(); ++c) {
        if (*c == "identity")
            continue;
        if (*c != "gzip" && *c != "x-gzip" && *c != "deflate")
            return {{}, unsupported};
        Decoded d = inflateAll(body, *c != "deflate");
        if (!d.error.isEmpty())
            return d;
        body = std::move(d.body);
    }
    return {body, {}};
}

// Follows a chunked body as sent, only as far as telling whether its last
// line came; libcurl judges the rest, and whatever follows that line.
class ChunkedEnd {
public:
    bool ended() const { return m_state == State::Ended; }

    void feed(std::string_view in)
    {
        for (size_t i = 0; i < in.size() && m_state != State::Ended; ++i) {
            const char c = in[i];
            switch (m_state) {
            case State::Size:
                if (const int digit = hexDigit(c); digit >= 0) {
                    if (m_left >> 60)
                        m_state = State::Broken;  // libcurl refuses the size too
                    else
                        m_left = m_left * 16 + quint64(digit);
                    break;
                }
                m_state = State::SizeLine;
                [[fallthrough]];
            case State::SizeLine:  // extensions, then the line end
                if (c == '\n') {
                    m_state = m_left ? State::Data : State::Trailer;
                    m_emptyLine = true;
                }
                break;
            case State::Data: {
                const quint64 taken = std::min<quint64>(m_left, in.size() - i);
                m_left -= taken;
                i += taken - 1;
                if (m_left == 0)
                    m_state = State::DataEnd;
                break;
            }
            case State::DataEnd:
                if (c == '\n')
                    m_state = State::Size;
                break;
            case State::Trailer:  // header lines, up to an empty one
                if (c == '\n' && m_emptyLine)
                    m_state = State::Ended;
                else if (c == '\n')
                    m_emptyLine = true;
                else if (c != '\r')
                    m_emptyLine = false;
                break;
            case State::Ended:
            case State::Broken:
                return;
            }
        }
    }

private:
    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        c = char(c | 0x20);
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    }

    enum class State { Size, SizeLine, Data, DataEnd, Trailer, Ended, Broken };
    State m_state = State::Size;
    quint64 m_left = 0;
    bool m_emptyLine = false;
};

QString errorText(CURLcode code, const char* buffer)
{
    return QString::fromUtf8(*buffer ? buffer : curl_easy_strerror(code));
}

// One GET and its redirects on the transfer thread. libcurl frames the
// answer (length, chunks, the end of the connection, HTTP/2 streams);
// redirects are followed here, hop by hop, so that each can be judged, and
// the body is decoded here, since libcurl lets a compressed stream that
// stops short through.
class Transfer {
public:
    Transfer(const Request& request, const HttpClientOptions& options)
        : m_id(request.id)
        , m_url(request.url)
        , m_deadline(request.deadline)
        , m_probe(options.onTransferWork)
    {
        m_easy = curl_easy_init();
        // libcurl's default "Accept: */*" goes; Host is its own.
        for (const char* line : {"Accept:", "Accept-Encoding: gzip, deflate", "Proxy-Connection:"}) {
            curl_slist* more = m_easy ? curl_slist_append(m_headers, line) : nullptr;
            if (!more) {
                // Out of memory: no transfer (easy() says so).
                curl_easy_cleanup(std::exchange(m_easy, nullptr));
                return;
            }
            m_headers = more;
        }
        curl_easy_setopt(m_easy, CURLOPT_PRIVATE, this);
        curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
        curl_easy_setopt(m_easy, CURLOPT_PROXYHEADER, m_headers);
        curl_easy_setopt(m_easy, CURLOPT_USERAGENT, request.userAgent.constData());
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
        // Transfer and content codings come through as sent (chunks undone).
        curl_easy_setopt(m_easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
        curl_easy_setopt(m_easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxBodyBytes));
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        // Ending a transfer never waits for a name lookup.
        curl_easy_setopt(m_easy, CURLOPT_QUICK_EXIT, 1L);
        curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
        curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &Transfer::onOpenSocket);
        curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, this);
        // The body as it came off the wire passes the debug function only.
        curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &Transfer::onTrace);
        curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);
        if (!options.caCertificates.isEmpty()) {
            curl_blob blob{const_cast<char*>(options.caCertificates.constData()),
                           size_t(options.caCertificates.size()), CURL_BLOB_COPY};
            curl_easy_setopt(m_easy, CURLOPT_CAINFO_BLOB, &blob);
        }
    }

    ~Transfer()
    {
        curl_easy_cleanup(m_easy);
        curl_slist_free_all(m_headers);
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    quint64 id() const { return m_id; }
    CURL* easy() const { return m_easy; }

    // Readies the next hop; false when the deadline has passed.
    bool prepareHop()
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        m_body.clear();
        m_failure.clear();
        m_socketError = 0;
        m_headEnded = false;
        m_chunked = false;
        m_chunks = {};
        m_error[0] = '\0';
        curl_easy_setopt(m_easy, CURLOPT_URL, m_url.toEncoded().constData());
        curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, long(left.count()));
        return true;
    }

    // The answer once a hop has ended, or nothing when the next hop is
    // ready to run.
    std::optional<HttpResponse> hopEnded(CURLcode code)
    {
        probe();
        long status = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK || !m_headEnded)
            return failure(code, m_headEnded ? int(status) : 0);
        const bool bodyless = status == 204 || status == 304;
        QList<QByteArray> transfer = codings(m_easy, "Transfer-Encoding");
        const bool chunked = transfer.removeAll("chunked") > 0 && !bodyless;
        // libcurl takes the CR of a chunked body's last line for its end.
        if (chunked && !m_chunks.ended())
            return failed(QStringLiteral("Transfer ended early: the chunked body did not end"), int(status));
        if (status >= 300 && status < 400 && status != 304) {
            const char* next = nullptr;
            curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_URL, &next);
            curl_header* location = nullptr;
            const bool moved = curl_easy_header(m_easy, "Location", 0, CURLH_HEADER, -1, &location) == CURLHE_OK;
            if (next || moved)
                return follow(next ? QUrl::fromEncoded(next, QUrl::StrictMode) : QUrl());
        }
        curl_off_t length = -1;
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        long version = 0;
        curl_easy_getinfo(m_easy, CURLINFO_HTTP_VERSION, &version);
        // An empty body whose end the framing tells is empty, whatever its
        // coding; one cut off by the end of the connection is not.
        const bool framedEmpty =
            m_body.isEmpty() && (bodyless || length == 0 || chunked || version >= CURL_HTTP_VERSION_2_0);
        Decoded d{m_body, {}};
        if (!framedEmpty) {
            d = decode(std::move(d.body), transfer, QStringLiteral("Unsupported transfer encoding"));
            if (d.error.isEmpty())
                d = decode(std::move(d.body), codings(m_easy, "Content-Encoding"),
                           QStringLiteral("Unsupported content encoding"));
        }
        if (!d.error.isEmpty())
            return failed(d.error, int(status));
        HttpResponse r;
        r.status = int(status);
        r.body = std::move(d.body);
        return r;
    }

private:
    HttpResponse failure(CURLcode code, int status) const
    {
        if (!m_failure.isEmpty())
            return failed(m_failure, status);
        switch (code) {
        case CURLE_OK:
        case CURLE_GOT_NOTHING:
            return failed(QStringLiteral("Connection closed before an answer"));
        case CURLE_OPERATION_TIMEDOUT:
            return failed(QStringLiteral("Request timed out"), status);
        case CURLE_FILESIZE_EXCEEDED:
            return failed(QStringLiteral("Response too large"), status);
        case CURLE_UNSUPPORTED_PROTOCOL:  // an HTTP/0.9 answer or a status out of range
        case CURLE_WEIRD_SERVER_REPLY:
            return failed(QStringLiteral("Malformed HTTP response"), status);
        case CURLE_PARTIAL_FILE: {
            if (codings(m_easy, "Transfer-Encoding").contains("chunked"))
                return failed(QStringLiteral("Transfer ended early: the chunked body did not end"), status);
            curl_off_t length = -1;
            curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length >= 0)
                return failed(QStringLiteral("Transfer ended early: %1 of %2 bytes").arg(m_body.size()).arg(length),
                              status);
            break;
        }
        case CURLE_COULDNT_CONNECT:
            // Not the network's fault: libcurl says only that it could not connect.
            if (const QString why = shortage(m_socketError); !why.isEmpty())
                return failed(QStringLiteral("Could not connect: %1").arg(why));
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
            // libcurl looks a name up on a thread of its own, and says only this
            // when none can be made.
            if (std::string_view(m_error).ends_with("thread failed to start"))
                return failed(QStringLiteral("Could not look up %1: %2").arg(m_url.host(), noThread()));
            break;
        case CURLE_RECV_ERROR: {
            // Broken chunking reads as a receive error without a system error.
            long systemError = 0;
            curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &systemError);
            if (systemError == 0 && codings(m_easy, "Transfer-Encoding").contains("chunked"))
                return failed(QStringLiteral("Broken chunked encoding"), status);
            break;
        }
        default:
            break;
        }
        return failed(errorText(code, m_error), status);
    }

    // Takes the next address, or refuses it: only http and https, never
    // from https down to http, at most kMaxRedirects hops.
    std::optional<HttpResponse> follow(const QUrl& next)
    {
        if (++m_redirects > kMaxRedirects)
            return failed(QStringLiteral("Too many redirects"));
        const QString scheme = next.scheme().toLower();
        const bool secure = m_url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
        if (!next.isValid() || next.host().isEmpty() ||
            (scheme != QLatin1String("https") && (scheme != QLatin1String("http") || secure)))
            return failed(QStringLiteral("Redirect refused"));
        // No credentials go along, and nothing after '#'.
        m_url = next.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
        if (!prepareHop())
            return failed(QStringLiteral("Request timed out"));
        return std::nullopt;
    }

    void probe() const
    {
        if (m_probe)
            m_probe();
    }

    // libcurl's callbacks let no exception through: out of memory, the
    // transfer ends with that reason.
    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        t->probe();
        // A head counts once its empty last line came; a 1xx answer's head
        // is followed by another.
        const std::string_view line(data, size * count);
        if (line.starts_with("HTTP/")) {
            t->m_headEnded = false;
        } else if (line == "\r\n" || line == "\n") {
            t->m_headEnded = true;
            try {
                t->m_chunked = codings(t->m_easy, "Transfer-Encoding").contains("chunked");
            } catch (const std::bad_alloc&) {
                t->m_failure = outOfMemory();
                return 0;
            }
        }
        return size * count;
    }

    // The connection's socket, as libcurl makes it but kept from the
    // programs this one starts; why it could not be made is kept.
    static curl_socket_t onOpenSocket(void* self, curlsocktype, curl_sockaddr* address)
    {
        const curl_socket_t made = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (made == CURL_SOCKET_BAD)
            static_cast<Transfer*>(self)->m_socketError = errno;
        return made;
    }

    static int onTrace(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        if (auto* t = static_cast<Transfer*>(self); type == CURLINFO_DATA_IN && t->m_chunked)
            t->m_chunks.feed({data, size});
        return 0;
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        t->probe();
        const size_t n = size * count;
        if (t->m_body.size() + qsizetype(n) > kMaxBodyBytes) {
            t->m_failure = QStringLiteral("Response too large");
            return 0;  // ends the transfer
        }
        try {
            t->m_body.append(data, qsizetype(n));
        } catch (const std::bad_alloc&) {
            t->m_failure = outOfMemory();
            return 0;
        }
        return n;
    }

    const quint64 m_id;
    QUrl m_url;
    const std::chrono::steady_clock::time_point m_deadline;
    const std::function<void()> m_probe;
    CURL* m_easy = nullptr;
    curl_slist* m_headers = nullptr;
    char m_error[CURL_ERROR_SIZE] = {};
    int m_redirects = 0;
    // The hop in progress.
    QByteArray m_body;
    QString m_failure;  // why the body was refused
    int m_socketError = 0;  // why the connection's socket could not be made
    bool m_headEnded = false;
    bool m_chunked = false;
    ChunkedEnd m_chunks;  // of the body as sent
};

// Runs every transfer of a client over one multi handle, on the thread that
// calls run(): the handle keeps the connections (HTTP/2 and HTTP/1.1
// keep-alive) for the next requests. With nothing to transfer the thread
// waits for a request, a cancellation or the end; while transfers run it
// sleeps in curl_multi_poll until a socket or a timer of libcurl's, or one
// of those, wakes it.
class CurlTransport final : public Transport {
public:
    // Takes multi over.
    CurlTransport(CURLM* multi, HttpClientOptions options, Finished finished)
        : m_options(std::move(options))
        , m_finished(std::move(finished))
        , m_multi(multi)
        // libcurl makes the wake-up of curl_multi_poll with the handle, a
        // pair of descriptors, and goes on without it when it cannot make them.
        // The try leaves a wake-up behind: the first poll returns at once.
        , m_wakes(curl_multi_wakeup(m_multi) == CURLM_OK)
    {
    }

    // After run() has returned: ends every transfer; their answers never come.
    ~CurlTransport() override
    {
        for (auto& [easy, transfer] : m_transfers)
            curl_multi_remove_handle(m_multi, easy);
        m_transfers.clear();
        curl_multi_cleanup(m_multi);
    }

    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    void start(Request request) override
    {
        try {
            const std::lock_guard lock(m_mutex);
            m_incoming.push_back(std::move(request));
        } catch (const std::bad_alloc&) {
            return finish(request.id, failed(outOfMemory()));
        }
        wake();
    }

    void cancel(quint64 id) override
    {
        try {
            const std::lock_guard lock(m_mutex);
            m_cancelled.push_back(id);
        } catch (const std::bad_alloc&) {
            return;  // its answer is dropped by the client
        }
        wake();
    }

    void stop() override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        wake();
    }

    void run() override
    {
        for (;;) {
            std::vector<Request> incoming;
            std::vector<quint64> cancelled;
            {
                const std::lock_guard lock(m_mutex);
                if (m_stopping)
                    return;
                incoming.swap(m_incoming);
                cancelled.swap(m_cancelled);
            }
            for (const Request& request : incoming)
                add(request);
            // After the starts: a request may be cancelled in the same turn.
            for (const quint64 id : cancelled)
                for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it)
                    if (it->second->id() == id) {
                        curl_multi_remove_handle(m_multi, it->first);
                        m_transfers.erase(it);
                        break;
                    }
            int running = 0;
            curl_multi_perform(m_multi, &running);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
                if (message->msg != CURLMSG_DONE)
                    continue;
                CURL* easy = message->easy_handle;
                const CURLcode code = message->data.result;
                curl_multi_remove_handle(m_multi, easy);
                const auto it = m_transfers.find(easy);
                if (it == m_transfers.end())
                    continue;
                std::optional<HttpResponse> response;
                try {
                    response = it->second->hopEnded(code);
                } catch (const std::bad_alloc&) {
                    response = failed(outOfMemory());
                }
                if (!response && curl_multi_add_handle(m_multi, easy) != CURLM_OK)
                    response = failed(outOfMemory());
                if (response) {
                    finish(it->second->id(), *response);
                    m_transfers.erase(it);
                }
            }
            if (m_transfers.empty()) {
                std::unique_lock lock(m_mutex);
                m_work.wait(lock, [this] { return m_stopping || !m_incoming.empty() || !m_cancelled.empty(); });
                continue;
            }
            // libcurl shortens the wait to its own next timer. Without its
            // wake-up, a cancellation or the end is seen at the next look.
            curl_multi_poll(m_multi, nullptr, 0, m_wakes ? 60 * 1000 : kUnwokenPollMs, nullptr);
        }
    }

private:
    // How long the thread sleeps while transfers run and nothing can wake it.
    static constexpr int kUnwokenPollMs = 50;

    void wake()
    {
        m_work.notify_one();
        if (m_wakes)
            curl_multi_wakeup(m_multi);
    }

    // Out of memory, the answer may be lost: the client answers the
    // request at its deadline then.
    void finish(quint64 id, const HttpResponse& response)
    {
        try {
            m_finished(id, response);
        } catch (const std::bad_alloc&) {
        }
    }

    // A request's transfer, on its way; or its answer when none can be.
    void add(const Request& request)
    {
        std::unique_ptr<Transfer> transfer;
        try {
            transfer = std::make_unique<Transfer>(request, m_options);
            if (!transfer->easy())
                return finish(request.id, failed(outOfMemory()));
            if (!transfer->prepareHop())
                return finish(request.id, failed(QStringLiteral("Request timed out")));
            m_transfers.emplace(transfer->easy(), nullptr);
        } catch (const std::bad_alloc&) {
            return finish(request.id, failed(outOfMemory()));
        }
        if (curl_multi_add_handle(m_multi, transfer->easy()) != CURLM_OK) {
            m_transfers.erase(transfer->easy());
            return finish(request.id, failed(outOfMemory()));
        }
        m_transfers[transfer->easy()] = std::move(transfer);
    }

    const HttpClientOptions m_options;
    const Finished m_finished;
    CURLM* const m_multi;
    const bool m_wakes;  // curl_multi_wakeup works
    std::unordered_map<CURL*, std::unique_ptr<Transfer>> m_transfers;  // the running thread's
    std::mutex m_mutex;
    std::condition_variable m_work;  // a request, a cancellation or the end came
    std::vector<Request> m_incoming;
    std::vector<quint64> m_cancelled;
    bool m_stopping = false;
};

} // namespace

} // namespace tw::host::http

// The only symbol the module shows. None when libcurl cannot be set up (out
// of memory): no verdict on the module.
extern "C" __attribute__((visibility("default"))) tw::host::http::Transport*
tidewell_http_make_transport_v1(const tw::host::HttpClientOptions& options, tw::host::http::Finished finished)
{
    static std::mutex mutex;
    static bool initialised = false;
    try {
        const std::lock_guard lock(mutex);
        initialised = initialised || curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(initialised ? curl_multi_init() : nullptr,
                                                                    &curl_multi_cleanup);
        if (!multi)
            return nullptr;
        auto* transport = new tw::host::http::CurlTransport(multi.get(), options, std::move(finished));
        multi.release();
        return transport;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
static_assert(std::is_same_v<decltype(&tidewell_http_make_transport_v1), tw::host::http::MakeTransport>);
