#pragma once

#include <curl/curl.h>

namespace brimly::CurlUrl {

// libcurl's URL functions. libcurl and the thirty libraries it links (TLS, HTTP/2, SSH, LDAP, Kerberos)
// serve only to parse web addresses here, and most runs never meet one, so the library is opened at the
// first such address rather than mapped into every process at start.
struct Functions {
    decltype(&curl_url) create;
    decltype(&curl_url_set) set;
    decltype(&curl_url_get) get;
    decltype(&curl_url_cleanup) cleanup;
    decltype(&curl_free) free;
};

// The functions, opening libcurl on first use; null (logged once) when it cannot be opened.
const Functions* functions();

// The functions of the library at `name`; null, with the reason logged, when it cannot be opened or lacks
// one of them.
const Functions* load(const char* name);

}  // namespace brimly::CurlUrl
