# SPDX-License-Identifier: MIT
# One /dev/i2c-N descriptor used as programs use it: through dup and F_DUPFD, by a child
# that inherits it across exec, and by threads at once, each with its own address.
import fcntl
import os
import subprocess
import sys
import threading

I2C_SLAVE = 0x0703
bus = sys.argv[1]

fd = os.open("/dev/i2c/" + bus, os.O_RDWR)
fcntl.ioctl(fd, I2C_SLAVE, 0x60)
os.write(fd, bytes([2]))
print("read", os.read(fd, 2).hex())
copy = os.dup(fd)
os.write(copy, bytes([0]))
print("dup", os.read(copy, 1).hex())
high = fcntl.fcntl(fd, fcntl.F_DUPFD, 100)
print("F_DUPFD", os.read(high, 1).hex())
os.set_inheritable(fd, True)
child = "import os; os.write(%d, bytes([3])); print('child', os.read(%d, 1).hex())" % (fd, fd)
subprocess.run([sys.executable, "-c", child], close_fds=False, check=True)


def read_thermometer(results, index):
    own = os.open("/dev/i2c-" + bus, os.O_RDWR)
    fcntl.ioctl(own, I2C_SLAVE, 0x48)
    for _ in range(25):
        os.write(own, bytes([0xAA]))
        results[index].add(os.read(own, 2).hex())
    os.close(own)


results = [set() for _ in range(4)]
threads = [threading.Thread(target=read_thermometer, args=(results, i)) for i in range(4)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
print("threads", sorted(set.union(*results)))
for request, argument in ((0x5401, bytes(64)), (I2C_SLAVE, 0x80)):
    try:
        fcntl.ioctl(fd, request, argument)
    except OSError as error:
        print("ioctl", hex(request), os.strerror(error.errno))
