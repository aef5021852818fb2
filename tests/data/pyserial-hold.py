# A pyserial program holding a port in its exclusive mode (the kernel's lock)
# until its input ends: prints "open", or why it could not, and fails.
import sys

import serial

try:
    port = serial.Serial(sys.argv[1], 115200, exclusive=True)
except Exception as e:
    sys.exit(str(e))
print("open", flush=True)
sys.stdin.read()
