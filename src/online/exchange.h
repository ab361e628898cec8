// One OFX exchange: the request text is POSTed to the institution's server
// over HTTPS and the answer read and checked for its sign-on status. The
// status line of the answer is not looked at; an answer without a
// Content-Length is no usable answer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/ports.h"

namespace tallyvane::online {

// How long each phase may take, in milliseconds.
struct ExchangeLimits {
  long connectMs = 10000;     // TCP connection
  long handshakeMs = 60000;   // TLS handshake after it
  long sendMs = 120000;       // the whole request
  long headerLineMs = 20000;  // each line of the response header
  long bodyPieceMs = 40000;   // each piece of the body
};

struct ExchangeOptions {
  std::string caFile;  // trusted besides the system's authorities
  ExchangeLimits limits;
};

enum class ExchangeResult : int { Received = 0, Cancelled = 1, Failed = 2 };

struct ExchangeResponse {
  std::string body;
  int32_t code = 0;     // sign-on CODE; 0 when the answer has none
  std::string message;  // sign-on MESSAGE, at most 259 characters
  // A failed exchange refused at the server's certificate: why, in words
  // (CertificateRefusal); empty otherwise.
  std::string refusal;
};

// `request` is the text buildBankRequest or buildCreditCardRequest made. The
// connection goes to the port the Host header names, over TLS only.
[[nodiscard]] ExchangeResult exchangeOfx(std::string_view request, store::Progress& progress,
                                         ExchangeResponse& response, const ExchangeOptions& options = {});

// The sign-on CODE and MESSAGE of a response body.
void ReadSignOnStatus(std::string_view body, int32_t& code, std::string& message);

}  // namespace tallyvane::online
