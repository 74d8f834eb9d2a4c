#pragma once

#include <QString>
#include <exception>

// Text of the default exception report: the message, with "." appended when its last
// character's code is above that of ".".
QString ExceptionReportText(const QString& message);

// Text of the last-chance report for an exception that nothing caught.
QString LastChanceText(const std::exception& e);
