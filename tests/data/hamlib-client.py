# A station program as Debian's programs link Hamlib: its client library
# (python3-hamlib), NET rigctl (model 2) on the panel's network port given as
# the first argument. Prints what it reads and how long the keying took.
import sys
import time

import Hamlib

Hamlib.rig_set_debug(Hamlib.RIG_DEBUG_NONE)
rig = Hamlib.Rig(Hamlib.RIG_MODEL_NETRIGCTL)
rig.set_conf("rig_pathname", sys.argv[1])
rig.open()


def checked(what, value=None):
    if rig.error_status != Hamlib.RIG_OK:
        sys.exit("%s: %s" % (what, Hamlib.rigerror(rig.error_status)))
    return value


checked("open")
rig.set_freq(Hamlib.RIG_VFO_CURR, 500200)
print("frequency", int(checked("set_freq", rig.get_freq())))
rig.set_level(Hamlib.RIG_LEVEL_KEYSPD, 30)
checked("set speed")
rig.set_level(Hamlib.RIG_LEVEL_RFPOWER, 0.34)
checked("set power")
print("speed", checked("get speed", rig.get_level_i(Hamlib.RIG_LEVEL_KEYSPD)))
start = time.monotonic()
rig.send_morse(Hamlib.RIG_VFO_CURR, "PARIS PARIS")
checked("send_morse")
status = Hamlib.rig_wait_morse(rig.rig, Hamlib.RIG_VFO_CURR)  # no method of Rig
if status != Hamlib.RIG_OK:
    sys.exit("wait_morse: " + Hamlib.rigerror(status))
print("keyed for %d ms" % (1000 * (time.monotonic() - start)))
rig.close()
