#pragma once
// Windows's texts for WinInet's certificate and secure-channel errors, for a system whose
// WinInet has none of its own for them (Wine's has no text for most): the box then says what
// it would say on Windows.

namespace korvo {

struct CertificateErrorText {
    unsigned long code;
    const char* text;
};

inline constexpr CertificateErrorText kCertificateErrorTexts[] = {
    {12045, "The certificate authority is invalid or incorrect"},             // ERROR_INTERNET_INVALID_CA
    {12055, "The SSL certificate contains errors."},                           // ERROR_INTERNET_SEC_CERT_ERRORS
    {12157, "An error occurred in the secure channel support"},               // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
    {12169, "The SSL certificate is invalid"},                                 // ERROR_INTERNET_SEC_INVALID_CERT
    {12170, "The SSL certificate was revoked"},                                // ERROR_INTERNET_SEC_CERT_REVOKED
};

} // namespace korvo
