// TlsWording: the words every network transport uses when a server's certificate is refused, so that the user
// meets one sentence for one cause whichever send method met it.
#pragma once

#include <string>
#include <string_view>

// "The certificate of the <server> is not trusted", where `server` names the server with its kind, e.g.
// "mail server smtp.example.com:587".
inline std::string UntrustedCertificateText(std::string_view server) {
    return "The certificate of the " + std::string(server) + " is not trusted";
}
