#pragma once

// The receiver's serial line: 9600 baud, 8 data bits, no parity, 1 stop bit. Ten bits a byte, so
// 960 bytes a second each way: a 20-byte frequency command takes 21 ms on the wire.
inline constexpr int kLineBaud = 9600;
inline constexpr double kLineBytesPerSecond = kLineBaud / 10.0;
