#pragma once
// A self-signed certificate for 127.0.0.1, made with the openssl tool into a
// folder removed at the end: what an https server on loopback presents in
// the tests, trusted only where a test names it (NIMBREL_CA_FILE).
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace nimbrel::testing {

class TestCertificate {
public:
    TestCertificate() {
        char tmpl[] = "/tmp/nimbrel-cert-XXXXXX";
        if (const char* made_dir = ::mkdtemp(tmpl)) dir = made_dir;
        if (dir.empty()) return;
        const std::string cmd =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
            "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
            Key() + "' -out '" + Cert() + "' >/dev/null 2>&1";
        made = std::system(cmd.c_str()) == 0;
    }
    ~TestCertificate() {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    std::string Cert() const { return dir + "/cert.pem"; }
    std::string Key() const { return dir + "/key.pem"; }
    std::string dir;
    bool made = false;
};

}  // namespace nimbrel::testing
