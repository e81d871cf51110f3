# Drives the calibration program's own Resolve server class for the tests: it listens on a
# free port, says which, and sends the patches the test writes on standard input.
#   send BITS R G B BR BG BB X Y W H   (colour values as fractions 0..1)
#   end                                (closes the connection)
import sys
import time

from DisplayCAL.patterngenerators import ResolveCMPatternGeneratorServer

server = ResolveCMPatternGeneratorServer(port=0)
print("port", server.socket.getsockname()[1], flush=True)
server.wait()
print("connected", flush=True)
for line in sys.stdin:
    words = line.split()
    if words[0] == "send":
        bits = int(words[1])
        v = [float(w) for w in words[2:]]
        server.send(v[0:3], v[3:6], bits=bits, x=v[6], y=v[7], w=v[8], h=v[9])
        print("sent", time.monotonic(), flush=True)
    elif words[0] == "end":
        server.disconnect_client()
        print("closed", flush=True)
        break
