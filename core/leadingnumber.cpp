#include "leadingnumber.h"

#include <cfloat>
#include <charconv>
#include <string>

namespace {

bool IsSkipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Walks the text, skipping blanks wherever they stand.
class Cursor
{
public:
    explicit Cursor(std::string_view text)
        : m_text(text)
    { }
    char peek()
    {
        while (m_pos < m_text.size() && IsSkipped(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    void next() { ++m_pos; }
    size_t position() const { return m_pos; }
    void rewind(size_t pos) { m_pos = pos; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

// The power of ten of the number's first significant digit, exponent included: negative below 1.
// Only its sign is used, to tell an overflow from an underflow, which from_chars reports alike.
long long DecimalOrder(std::string_view number)
{
    const size_t exponentAt = number.find('e');
    long long exponent = 0;
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = number.substr(exponentAt + 1);
        const bool negativeExponent = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
            digits.remove_prefix(1);
        // At most eight digits were kept, so this cannot overflow.
        std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (negativeExponent)
            exponent = -exponent;
    }
    const std::string_view mantissa = number.substr(0, exponentAt);
    const size_t point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    const size_t wholeFirst = whole.find_first_not_of('0');
    if (wholeFirst != std::string_view::npos)
        return static_cast<long long>(whole.size() - wholeFirst - 1) + exponent;
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    const size_t fractionFirst = fraction.find_first_not_of('0');
    if (fractionFirst == std::string_view::npos)
        return 0; // zero is never out of range
    return -static_cast<long long>(fractionFirst + 1) + exponent;
}

} // namespace

double LeadingNumber(std::string_view text)
{
    Cursor cursor(text);
    std::string number;
    bool negative = false;
    if (cursor.peek() == '+' || cursor.peek() == '-') {
        negative = cursor.peek() == '-';
        cursor.next();
    }
    bool sawDigit = false;
    bool sawPoint = false;
    for (char c = cursor.peek(); IsDigit(c) || (c == '.' && !sawPoint); c = cursor.peek()) {
        if (c == '.') {
            sawPoint = true;
        } else {
            sawDigit = true;
            // Leading zeros carry nothing and would only lengthen the buffer.
            if (c == '0' && (number.empty() || number == "0") && !sawPoint) {
                number = "0";
                cursor.next();
                continue;
            }
            if (number == "0" && !sawPoint)
                number.clear();
        }
        number += c;
        cursor.next();
    }
    if (!sawDigit)
        return 0.0;

    const size_t beforeExponent = cursor.position();
    const char e = cursor.peek();
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        cursor.next();
        std::string exponent = "e";
        if (cursor.peek() == '+' || cursor.peek() == '-') {
            exponent += cursor.peek();
            cursor.next();
        }
        bool exponentDigits = false;
        for (char c = cursor.peek(); IsDigit(c); c = cursor.peek()) {
            exponentDigits = true;
            // Beyond six digits the value is out of range either way; keep the buffer short.
            if (exponent.size() < 9)
                exponent += c;
            cursor.next();
        }
        if (exponentDigits)
            number += exponent;
        else
            cursor.rewind(beforeExponent);
    }

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    // The sign of the exponent alone does not tell: "0.000…1" with hundreds of zeros is tiny,
    // "1000…0e-5" with hundreds of zeros is huge.
    if (result.ec == std::errc::result_out_of_range)
        value = DecimalOrder(number) < 0 ? 0.0 : DBL_MAX;
    return negative ? -value : value;
}
