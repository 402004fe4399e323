# SPDX-License-Identifier: BSD-2-Clause-Patent
"""One OVMF machine under QEMU: its boot volume, variable store, optional TPM
and IDE disk, a serial line the test talks over and the HMP monitor.

Every machine works in a folder of its own, so runs may go side by side."""
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
OVMF_VARS = "/usr/share/OVMF/OVMF_VARS_4M.fd"
# Debian's Secure Boot test firmware: Secure Boot on, the snakeoil key in PK,
# KEK and db. Its code needs SMM and a secure flash.
OVMF_CODE_SECURE = "/usr/share/OVMF/OVMF_CODE_4M.snakeoil.fd"
OVMF_VARS_SECURE = "/usr/share/OVMF/OVMF_VARS_4M.snakeoil.fd"
SNAKEOIL_KEY = "/usr/share/ovmf/PkKek-1-snakeoil.key"
SNAKEOIL_CERT = "/usr/share/ovmf/PkKek-1-snakeoil.pem"
SNAKEOIL_PASSPHRASE = "snakeoil"


def _tool(name):
    for folder in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/sbin", "/sbin"]:
        candidate = os.path.join(folder, name)
        if os.access(candidate, os.X_OK):
            return candidate
    raise RuntimeError(f"{name} not found (run scripts/setup)")


def make_fat_image(path, files, size_kib=16384):
    """files maps volume paths ('EFI/BOOT/BOOTX64.EFI') to host files or bytes."""
    subprocess.run([_tool("mkfs.vfat"), "-C", path, str(size_kib)], check=True, stdout=subprocess.DEVNULL)
    made = set()
    for target in sorted(files):
        parts = target.split("/")[:-1]
        for depth in range(1, len(parts) + 1):
            folder = "/".join(parts[:depth])
            if folder not in made:
                subprocess.run([_tool("mmd"), "-i", path, "::/" + folder], check=True)
                made.add(folder)
        source = files[target]
        if isinstance(source, (bytes, str)) and not (isinstance(source, str) and os.path.exists(source)):
            data = source.encode() if isinstance(source, str) else source
            temp = path + ".part"
            with open(temp, "wb") as handle:
                handle.write(data)
            source = temp
        subprocess.run([_tool("mcopy"), "-o", "-i", path, source, "::/" + target], check=True)
    if os.path.exists(path + ".part"):
        os.remove(path + ".part")


class Machine:
    def __init__(self, name, files, workdir=None, machine="q35", tpm=False, ide_disk=False, vars_file=None,
                 memory=256, no_reboot=False, code=OVMF_CODE, qemu_arguments=(), secure_boot=False):
        self.name = name
        self.code = code
        self.qemu_arguments = list(qemu_arguments)
        self.own_dir = workdir is None
        self.dir = workdir or tempfile.mkdtemp(prefix=f"quorvane-{name}-")
        os.makedirs(self.dir, exist_ok=True)
        self.machine = machine
        self.tpm = tpm
        self.ide_disk = ide_disk
        self.memory = memory
        self.no_reboot = no_reboot
        self.secure_boot = secure_boot
        self.esp = os.path.join(self.dir, "esp.img")
        self.vars = os.path.join(self.dir, "vars.fd")
        self.serial_log = os.path.join(self.dir, "serial.log")
        self.serial_sock = os.path.join(self.dir, "serial.sock")
        self.monitor_sock = os.path.join(self.dir, "monitor.sock")
        self.tpm_dir = os.path.join(self.dir, "tpm")
        self.tpm_sock = os.path.join(self.dir, "tpm.sock")
        self.disk = os.path.join(self.dir, "disk.img")
        make_fat_image(self.esp, files)
        shutil.copyfile(vars_file or (OVMF_VARS_SECURE if secure_boot else OVMF_VARS), self.vars)
        self.qemu = None
        self.swtpm = None
        self.serial = None
        self.output = bytearray()
        self.lock = threading.Lock()
        self.line_open = True
        self.reader = None
        self.listener = None  # called with each chunk of serial output, from the reader thread

    # ------------------------------------------------------------ start / stop
    def command(self):
        machine, code = self.machine, self.code
        if self.secure_boot:
            machine, code = f"{self.machine},smm=on", OVMF_CODE_SECURE
        arguments = ["qemu-system-x86_64", "-machine", machine, "-accel", "tcg", "-m", str(self.memory),
                     "-smp", "1",
                     "-drive", f"if=pflash,format=raw,unit=0,file={code},readonly=on",
                     "-drive", f"if=pflash,format=raw,unit=1,file={self.vars}",
                     "-net", "none"]
        if self.no_reboot:
            arguments += ["-no-reboot"]
        arguments += self.qemu_arguments
        if self.secure_boot:
            arguments += ["-global", "driver=cfi.pflash01,property=secure,value=on"]
        if os.environ.get("QUORVANE_DEBUGCON"):
            # OVMF's own debug messages (I/O port 0x402) into the run folder.
            arguments += ["-debugcon", f"file:{os.path.join(self.dir, 'debug.log')}",
                          "-global", "isa-debugcon.iobase=0x402"]
        # The boot volume is a virtio disk: the ATA pass-through never sees it, so
        # the only ATA disk is the one a scenario asks for.
        arguments += ["-drive", f"if=virtio,format=raw,file={self.esp}"]
        if self.ide_disk:
            if not os.path.exists(self.disk):
                with open(self.disk, "wb") as handle:
                    handle.truncate(64 * 1024 * 1024)
            disk_bus = "ide.0"  # pc: PIIX primary channel; q35: first AHCI port
            arguments += ["-drive", f"if=none,id=hdd0,format=raw,file={self.disk}",
                          "-device", f"ide-hd,drive=hdd0,bus={disk_bus},unit=0,model=QUORVANE TEST DISK,serial=QV0001"]
        if self.tpm:
            arguments += ["-chardev", f"socket,id=chrtpm,path={self.tpm_sock}",
                          "-tpmdev", "emulator,id=tpm0,chardev=chrtpm", "-device", "tpm-tis,tpmdev=tpm0"]
        arguments += ["-display", "none",
                      "-chardev", f"socket,id=ser0,path={self.serial_sock},server=on,wait=on,"
                                  f"logfile={self.serial_log}",
                      "-serial", "chardev:ser0",
                      "-monitor", f"unix:{self.monitor_sock},server=on,wait=off"]
        return arguments

    def start_tpm(self):
        os.makedirs(self.tpm_dir, exist_ok=True)
        self.swtpm = subprocess.Popen(["swtpm", "socket", "--tpmstate", f"dir={self.tpm_dir}",
                                       "--ctrl", f"type=unixio,path={self.tpm_sock}", "--tpm2"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(self.tpm_sock):
                return
            time.sleep(0.05)
        raise RuntimeError("swtpm did not start")

    def start(self):
        if self.tpm:
            self.start_tpm()
        self.qemu = subprocess.Popen(self.command(), stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        for _ in range(200):
            if os.path.exists(self.serial_sock):
                try:
                    self.serial = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                    self.serial.connect(self.serial_sock)
                    self.reader = threading.Thread(target=self._read_serial, daemon=True)
                    self.reader.start()
                    return
                except OSError:
                    self.serial = None
            if self.qemu.poll() is not None:
                raise RuntimeError("qemu exited: " + self.qemu.stdout.read().decode(errors="replace"))
            time.sleep(0.05)
        raise RuntimeError("qemu serial socket did not appear")

    def stop(self):
        if self.qemu is not None and self.qemu.poll() is None:
            self.qemu.terminate()
            try:
                self.qemu.wait(10)
            except subprocess.TimeoutExpired:
                self.qemu.kill()
                self.qemu.wait()
        if self.swtpm is not None and self.swtpm.poll() is None:
            self.swtpm.terminate()
            self.swtpm.wait()
        if self.reader is not None:
            self.reader.join(5)
        if self.serial is not None:
            self.serial.close()
            self.serial = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, kind, value, trace):
        self.stop()
        # A run's folder stays behind only when asked for (QUORVANE_KEEP_RUNS=1).
        if self.own_dir and not os.environ.get("QUORVANE_KEEP_RUNS"):
            shutil.rmtree(self.dir, ignore_errors=True)

    # ------------------------------------------------------------ serial line
    def _read_serial(self):
        # Read without pause: QEMU's UART drops characters when its chardev
        # cannot write at once.
        connection = self.serial
        while True:
            try:
                chunk = connection.recv(65536)
            except OSError:
                break
            if not chunk:
                break
            with self.lock:
                self.output += chunk
            if self.listener is not None:
                self.listener(chunk)
        self.line_open = False

    def pump(self):
        """True while the serial line is open (the reader thread collects the output)."""
        return self.line_open

    def text(self):
        with self.lock:
            return self.output.decode("latin-1")

    def wait_for(self, predicate, timeout):
        """Waits until predicate(self) is true; returns its value, or None on timeout/power-off."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            alive = self.pump()
            value = predicate(self)
            if value:
                return value
            if not alive and (self.qemu is None or self.qemu.poll() is not None):
                return predicate(self) or None
            time.sleep(0.05)
        return None

    def wait_text(self, needle, timeout, start=0):
        found = self.wait_for(lambda m: needle in m.text()[start:], timeout)
        return bool(found)

    def wait_exit(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            self.pump()
            if self.qemu.poll() is not None:
                self.pump()
                return self.qemu.returncode
            time.sleep(0.05)
        return None

    def send(self, data, delay=0.0):
        if isinstance(data, str):
            data = data.encode("latin-1")
        if delay <= 0:
            self.serial.sendall(data)
            return
        for byte in data:
            self.serial.sendall(bytes([byte]))
            time.sleep(delay)

    # ------------------------------------------------------------ monitor
    def monitor(self, line):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
            connection.connect(self.monitor_sock)
            connection.settimeout(5)
            connection.sendall((line + "\n").encode())
            time.sleep(0.5)
            try:
                return connection.recv(65536).decode(errors="replace")
            except socket.timeout:
                return ""

    def screendump(self, path):
        self.monitor(f"screendump {path}")
        size = 0
        for _ in range(50):
            # Done once the file has stopped growing.
            if os.path.exists(path) and os.path.getsize(path) == size > 0:
                return path
            size = os.path.getsize(path) if os.path.exists(path) else 0
            time.sleep(0.2)
        raise RuntimeError("screendump produced nothing")
