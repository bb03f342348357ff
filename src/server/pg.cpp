// The server back end's helpers over libpq.

#include "server/pg.h"

#include <poll.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <utility>

namespace dipsheet::server::detail {

using store::StoreError;

namespace {

// How long a connection waits for the server, in seconds, when the address gives no
// connect_timeout: a desk says the server is away rather than hang.
constexpr int kDefaultConnectSeconds = 10;

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

// A SQLSTATE in a message of the server as libpq words it verbosely ("FATAL:  3D000: database
// ... does not exist"): the five characters (digits and capitals, one digit at least, so the
// word FATAL is none) before ": ", and the rest of that line, the server's own words.
std::pair<std::string, std::string> sqlstateIn(const std::string& message) {
    for (std::size_t at = 0; at + 7 <= message.size(); ++at) {
        if (at > 0 && message[at - 1] != ' ')
            continue;
        bool code = message.compare(at + 5, 2, ": ") == 0, digit = false;
        for (std::size_t i = at; code && i < at + 5; ++i) {
            const auto c = static_cast<unsigned char>(message[i]);
            code = std::isdigit(c) || std::isupper(c);
            digit = digit || std::isdigit(c);
        }
        if (code && digit) {
            const std::size_t end = message.find('\n', at);
            return {message.substr(at, 5),
                    message.substr(at + 7,
                                   end == std::string::npos ? std::string::npos : end - at - 7)};
        }
    }
    return {};
}

// The connect_timeout the address gives, in seconds; the default when none.
int connectSeconds(PGconn* conn) {
    int seconds = kDefaultConnectSeconds;
    PQconninfoOption* options = PQconninfo(conn);
    for (PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr;
         ++option) {
        if (std::string_view(option->keyword) == "connect_timeout" && option->val != nullptr &&
            *option->val != '\0') {
            const int given = std::atoi(option->val);
            seconds = given > 0 ? std::max(given, 2) : seconds;  // libpq's own floor is 2
        }
    }
    PQconninfoFree(options);
    return seconds;
}

std::string orNone(const char* text) {
    return text != nullptr && *text != '\0' ? text : "(default)";
}

// The failed connection said in the desk's words: a server away, a login refused or a
// database missing, naming which. The address itself is never repeated: it may hold a password.
[[noreturn]] void refuseConnection(PGconn* conn, const std::string& how,
                                   const std::string& address) {
    const std::string message = trimmed(PQerrorMessage(conn));
    const auto [sqlstate, said] = sqlstateIn(message);
    const auto refuse = [&address](int code, const std::string& words) {
        return StoreError(code, scrubbed(words, address));
    };
    const std::string server =
        "The database server " + orNone(PQhost(conn)) + " (port " + orNone(PQport(conn)) + ")";
    if (sqlstate.rfind("28", 0) == 0)
        throw refuse(kLoginRefused, server + " refused the login of user \"" +
                                        orNone(PQuser(conn)) + "\": " + said);
    if (sqlstate == "3D000")
        throw refuse(kServerAway,
                     server + " has no database \"" + orNone(PQdb(conn)) + "\": " + said);
    if (sqlstate == "42501")
        throw refuse(kLoginRefused, server + " refused user \"" + orNone(PQuser(conn)) +
                                        "\" the database \"" + orNone(PQdb(conn)) + "\": " + said);
    if (!sqlstate.empty())
        throw refuse(errorCode(sqlstate), server + " refused the connection: " + said);
    throw refuse(kServerAway, server + " cannot be reached" + how + ": " + message);
}

}  // namespace

int errorCode(std::string_view sqlstate) {
    const std::string_view kind = sqlstate.substr(0, 2);
    if (sqlstate.empty() || kind == "08" || kind == "57")  // the link, or the server stopping
        return kServerAway;
    if (kind == "28")
        return kLoginRefused;
    if (kind == "40" || kind == "55" || sqlstate == "53300")  // conflict, lock, connections
        return kServerBusy;
    if (sqlstate == "42501")
        return kServerRefused;
    if (kind == "53")
        return kServerFull;
    if (kind == "22" || kind == "54")  // a value it refuses, or past its limits
        return kServerMismatch;
    return kServerDamage;
}

namespace {

// The parts of a server's address that may hold its password, as [begin, end) in the address:
// the user information of every URI in it ("://user:password@"; to the last '@' of its
// authority, since a malformed password may hold '/' or '@'), and the value of every
// "password=" (a URI's query parameter to its '&'; a keyword's, quoted or up to the next
// "keyword=", so that a value with a blank in it is covered whole).
std::vector<std::pair<std::size_t, std::size_t>> secretRanges(std::string_view address) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    const auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    for (std::size_t at = address.find("://"); at != std::string_view::npos;
         at = address.find("://", at + 3)) {
        const std::size_t start = at + 3;
        const std::size_t query = address.find('?', start);
        std::size_t last = address.rfind('@', query == std::string_view::npos ? query : query - 1);
        if (last == std::string_view::npos || last < start)
            last = address.rfind('@');
        if (last == std::string_view::npos || last < start)
            continue;
        const std::size_t colon = address.find(':', start);
        if (colon < last)
            ranges.emplace_back(colon + 1, last);
    }
    constexpr std::string_view kKeyword = "password";
    for (std::size_t at = 0; at + kKeyword.size() <= address.size(); ++at) {
        bool named = true;
        for (std::size_t i = 0; named && i < kKeyword.size(); ++i)
            named = lower(address[at + i]) == kKeyword[i];
        if (!named)
            continue;
        std::size_t value = at + kKeyword.size();
        while (value < address.size() && std::isspace(static_cast<unsigned char>(address[value])))
            ++value;
        if (value >= address.size() || address[value] != '=')
            continue;
        ++value;
        while (value < address.size() && std::isspace(static_cast<unsigned char>(address[value])))
            ++value;
        std::size_t end = value;
        if (end < address.size() && address[end] == '\'') {
            for (++end; end < address.size() && address[end] != '\''; ++end)
                end += address[end] == '\\' ? 1 : 0;
            end = std::min(end + 1, address.size());
        } else {
            for (; end < address.size() && address[end] != '&'; ++end) {
                if (!std::isspace(static_cast<unsigned char>(address[end])))
                    continue;
                std::size_t next = end;  // a blank, then "keyword =" ends the value
                while (next < address.size() &&
                       std::isspace(static_cast<unsigned char>(address[next])))
                    ++next;
                const std::size_t word = next;
                while (next < address.size() &&
                       (std::isalnum(static_cast<unsigned char>(address[next])) ||
                        address[next] == '_'))
                    ++next;
                while (next < address.size() &&
                       std::isspace(static_cast<unsigned char>(address[next])))
                    ++next;
                if (next > word && next < address.size() && address[next] == '=')
                    break;
            }
        }
        if (end > value)
            ranges.emplace_back(value, end);
    }
    return ranges;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The address as libpq reads it back, its %XX decoded, and where each character came from.
struct Decoded {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> origin;  // [begin, end) in the address
};

Decoded decoded(std::string_view address) {
    Decoded out;
    for (std::size_t at = 0; at < address.size();) {
        const bool escape = address[at] == '%' && at + 2 < address.size() &&
                            hexDigit(address[at + 1]) >= 0 && hexDigit(address[at + 2]) >= 0;
        out.text.push_back(
            escape ? static_cast<char>(hexDigit(address[at + 1]) * 16 + hexDigit(address[at + 2]))
                   : address[at]);
        out.origin.emplace_back(at, at + (escape ? 3 : 1));
        at += escape ? 3 : 1;
    }
    return out;
}

}  // namespace

std::string scrubbed(std::string message, std::string_view address) {
    if (address.empty())
        return message;
    const auto ranges = secretRanges(address);
    const Decoded plain = decoded(address);
    // The password as written and as decoded, whole: hidden wherever it stands.
    std::vector<std::string> secrets;
    for (const auto& [begin, end] : ranges) {
        secrets.emplace_back(address.substr(begin, end - begin));
        secrets.push_back(decoded(secrets.back()).text);
    }
    const auto overlapsSecret = [&ranges](std::size_t begin, std::size_t end) {
        for (const auto& range : ranges)
            if (begin < range.second && range.first < end)
                return true;
        return false;
    };
    // libpq cuts an address into pieces only where its syntax has a character of these (or at
    // either end): a piece it quotes back starts and ends there.
    const auto cut = [](std::string_view text, std::size_t at) {
        return at == 0 || at >= text.size() ||
               std::string_view(":/@?&=,[]'\"").find(text[at - 1]) != std::string_view::npos ||
               std::string_view(":/@?&=,[]'\"").find(text[at]) != std::string_view::npos ||
               std::isspace(static_cast<unsigned char>(text[at - 1])) ||
               std::isspace(static_cast<unsigned char>(text[at]));
    };
    // Whether `token` may be the password or part of it: a piece of the address (as written or
    // decoded) that overlaps a secret part, or a text holding a whole password.
    const auto secret = [&](std::string_view token) {
        if (token.empty())
            return false;
        for (std::size_t at = address.find(token); at != std::string_view::npos;
             at = address.find(token, at + 1))
            if (cut(address, at) && cut(address, at + token.size()) &&
                overlapsSecret(at, at + token.size()))
                return true;
        for (std::size_t at = plain.text.find(token); at != std::string::npos;
             at = plain.text.find(token, at + 1))
            if (cut(plain.text, at) && cut(plain.text, at + token.size()) &&
                overlapsSecret(plain.origin[at].first, plain.origin[at + token.size() - 1].second))
                return true;
        for (const std::string& whole : secrets)
            if (whole.size() >= 3 && token.find(whole) != std::string_view::npos)
                return true;
        return false;
    };
    constexpr std::string_view kAddress = "(the address)", kHidden = "(hidden)";
    const auto replaceAll = [&message](std::string_view whole, std::string_view by) {
        for (std::size_t at = message.find(whole); !whole.empty() && at != std::string::npos;
             at = message.find(whole, at + by.size()))
            message.replace(at, whole.size(), by);
    };
    replaceAll(address, kAddress);
    replaceAll(plain.text, kAddress);
    // Each quoted token, then each word, checked and hidden when it may be the password.
    for (std::size_t open = message.find('"'); open != std::string::npos;) {
        const std::size_t close = message.find('"', open + 1);
        if (close == std::string::npos)
            break;
        if (secret(std::string_view(message).substr(open + 1, close - open - 1))) {
            message.replace(open, close - open + 1, kHidden);
            open = message.find('"', open + kHidden.size());
        } else {
            open = message.find('"', close + 1);
        }
    }
    constexpr std::string_view kPunctuation = "\"'()[],;:.";
    for (std::size_t at = 0; at < message.size();) {
        if (std::isspace(static_cast<unsigned char>(message[at]))) {
            ++at;
            continue;
        }
        if (std::string_view(message).substr(at).starts_with(kAddress)) {
            at += kAddress.size();
            continue;
        }
        std::size_t end = at;
        while (end < message.size() && !std::isspace(static_cast<unsigned char>(message[end])))
            ++end;
        // The word, and the word less the punctuation around it, which alone is hidden.
        const std::string_view whole = std::string_view(message).substr(at, end - at);
        std::size_t first = at, last = end;
        while (first < last && kPunctuation.find(message[first]) != std::string_view::npos)
            ++first;
        while (last > first && kPunctuation.find(message[last - 1]) != std::string_view::npos)
            --last;
        if (whole != kHidden && secret(std::string_view(message).substr(first, last - first))) {
            message.replace(first, last - first, kHidden);
            end = first + kHidden.size() + (end - last);
        } else if (whole != kHidden && secret(whole)) {
            message.replace(at, end - at, kHidden);
            end = at + kHidden.size();
        }
        at = end;
    }
    for (const std::string& whole : secrets)
        if (whole.size() >= 3)
            replaceAll(whole, kHidden);
    return message;
}

Param Param::number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return {std::string(text, end), false};
}

Result& Result::operator=(Result&& other) noexcept {
    if (this != &other) {
        PQclear(m_result);
        m_result = std::exchange(other.m_result, nullptr);
    }
    return *this;
}

std::string Result::text(int row, int column) const {
    return std::string(PQgetvalue(m_result, row, column),
                       static_cast<std::size_t>(PQgetlength(m_result, row, column)));
}

std::int64_t Result::integer(int row, int column) const {
    const char* text = PQgetvalue(m_result, row, column);
    std::int64_t value = 0;
    std::from_chars(text, text + PQgetlength(m_result, row, column), value);
    return value;
}

double Result::number(int row, int column) const {
    if (isNull(row, column))
        return 0;
    const std::string value = text(row, column);
    // The server writes the shortest text that reads back exactly, and its own words for the
    // values without digits.
    if (value == "Infinity" || value == "-Infinity" || value == "NaN")
        return std::strtod(value.c_str(), nullptr);
    double number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number);
    return number;
}

Connection::Connection(const std::string& uri) : m_address(uri) {
    // Later keywords win over earlier ones. First what the address may change: a server gone
    // from the network (no refusal, no answer) is found within about 20 s, by TCP keepalives
    // and a limit on unanswered sends, rather than after the system's two hours. Then the
    // address; then what the desk always asks.
    const char* keywords[] = {
        "keepalives_idle", "keepalives_interval", "keepalives_count",          "tcp_user_timeout",
        "dbname",          "client_encoding",     "fallback_application_name", nullptr};
    const char* values[] = {"10", "3", "3", "20000", uri.c_str(), "UTF8", "dipsheet", nullptr};
    // An address libpq cannot read is said in its words, less the address (it may hold a
    // password).
    char* fault = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(uri.c_str(), &fault);
    PQconninfoFree(parsed);
    if (parsed == nullptr) {
        const std::string message = fault != nullptr ? scrubbed(trimmed(fault), uri) : "";
        PQfreemem(fault);
        throw StoreError(kServerAway, "The database server's address cannot be read: " + message);
    }
    m_conn = PQconnectStartParams(keywords, values, 1);
    if (m_conn == nullptr)
        throw StoreError(kServerAway, "The database server cannot be reached: out of memory");
    // The server's notices (a table made already) are not the desk's to print.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    // Verbose until connected, so the server's refusal carries its SQLSTATE whatever the
    // language of its messages.
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    const int seconds = connectSeconds(m_conn);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    try {
        while (status != PGRES_POLLING_OK) {
            if (status == PGRES_POLLING_FAILED || PQstatus(m_conn) == CONNECTION_BAD)
                refuseConnection(m_conn, "", uri);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{PQsocket(m_conn),
                        static_cast<short>(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) == 0)
                refuseConnection(m_conn, " (no answer in " + std::to_string(seconds) + " s)", uri);
            status = PQconnectPoll(m_conn);
        }
    } catch (...) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw;
    }
    PQsetErrorVerbosity(m_conn, PQERRORS_DEFAULT);
}

Result Connection::run(const char* sql, const std::vector<Param>& params, const std::string& doing,
                       bool binary) {
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    std::vector<Oid> types;
    for (const Param& param : params) {
        if (param.value && !param.binary && param.value->find('\0') != std::string::npos)
            throw StoreError(kServerMismatch,
                             doing +
                                 ": a text holds a NUL character, which the server cannot "
                                 "keep; nothing was written");
        values.push_back(param.value ? param.value->c_str() : nullptr);
        lengths.push_back(param.value ? static_cast<int>(param.value->size()) : 0);
        formats.push_back(param.binary ? 1 : 0);
        types.push_back(param.binary ? 17 : 0);  // bytea; the others as the statement reads them
    }
    Result result(PQexecParams(m_conn, sql, static_cast<int>(params.size()), types.data(),
                               values.data(), lengths.data(), formats.data(), binary ? 1 : 0));
    const ExecStatusType status = PQresultStatus(result.raw());
    if (result.raw() != nullptr && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK))
        return result;
    const char* sqlstate =
        result.raw() != nullptr ? PQresultErrorField(result.raw(), PG_DIAG_SQLSTATE) : nullptr;
    // A link lost says so whatever the statement: the server went away mid-action.
    const int code =
        PQstatus(m_conn) == CONNECTION_BAD ? kServerAway : errorCode(sqlstate ? sqlstate : "");
    throw StoreError(code, scrubbed(doing + ": " + trimmed(PQerrorMessage(m_conn)), m_address));
}

Transaction::Transaction(Connection& connection, std::string doing)
    : m_connection(connection), m_doing(std::move(doing)) {
    m_connection.run("BEGIN", m_doing);
}

Transaction::~Transaction() {
    // A failed rollback (the link lost) has nothing left to undo: the server rolls back a
    // transaction whose connection goes.
    if (m_open && m_connection.inTransaction())
        PQclear(PQexec(m_connection.raw(), "ROLLBACK"));
}

void Transaction::commit() {
    m_connection.run("COMMIT", m_doing);
    m_open = false;
}

}  // namespace dipsheet::server::detail
