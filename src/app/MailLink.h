#pragma once
// Mail links ("mailto:") that a mail program opens as a new message. The header values are
// percent-encoded, so that a subject holding '&', '?', '#', '%', blanks or letters above 127
// reaches the mail program as it was written instead of ending the subject early or being
// read as another header.

#include <string>

// `text` (ANSI) as a value of a mail link: converted to UTF-8, every byte other than the
// unreserved ASCII letters, digits and "-._~" written as "%XX" with upper-case hex digits.
std::string EncodeMailLinkValue(const std::string& text);

// "mailto:" + address + "?subject=" + encoded subject + "&body=" + encoded body.
std::string MailToLink(const std::string& address, const std::string& subject, const std::string& body);
