#!/usr/bin/env python3
"""The service's Debian package as an operator meets it: what it installs where, what lintian says, and the
packaged binary, unpacked into a temporary tree (never installed), started the way its systemd unit starts it
with its packaged configuration, answering a registration.

Usage: service_package_test.py PATH/mossquill-service_VERSION_amd64.deb
"""

import http.client
import json
import pathlib
import re
import shlex
import signal
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DEB = pathlib.Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None
UNIT = "lib/systemd/system/mossquill-service.service"
CONF = "etc/mossquill/mossquill-service.conf"
DOC = "usr/share/doc/mossquill-service"
APP_KEY = "5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6"


def run(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def unit_settings(text):
    """The unit's settings as (key, value) pairs in file order, continuation lines joined."""
    text = re.sub(r"\\\n\s*", " ", text)
    return [tuple(part.strip() for part in line.split("=", 1)) for line in text.splitlines()
            if "=" in line and not line.lstrip().startswith(("#", ";"))]


def environment_file(text):
    """KEY=VALUE lines as systemd reads an EnvironmentFile: comments skipped, one level of quotes removed."""
    values = {}
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith(("#", ";")):
            continue
        key, value = line.split("=", 1)
        values[key.strip()] = " ".join(shlex.split(value))
    return values


def expand_exec(command, environment, specifiers):
    """ExecStart= as systemd expands it: %-specifiers, then $VAR words split on white space, ${VAR} kept whole."""
    for letter, value in specifiers.items():
        command = command.replace("%" + letter, value)
    argv = []
    for word in shlex.split(command):
        whole_variable = re.fullmatch(r"\$([A-Za-z_][A-Za-z0-9_]*)", word)
        if whole_variable:
            argv += environment.get(whole_variable.group(1), "").split()
        else:
            argv.append(re.sub(r"\$\{([A-Za-z_][A-Za-z0-9_]*)\}", lambda m: environment.get(m.group(1), ""), word))
    return argv


@unittest.skipIf(DEB is None, "no package given")
class ServicePackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="mossquill-deb.")
        cls.tree = pathlib.Path(cls.work.name) / "tree"
        run("dpkg-deb", "-x", str(DEB), str(cls.tree))

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_contents_and_control_fields(self):
        listing = {}
        for line in run("dpkg-deb", "-c", str(DEB)).splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            listing[path.removeprefix("./")] = (mode, owner)
        files = {path: entry for path, entry in listing.items() if path and not path.endswith("/")}
        self.assertEqual(set(files), {
            "usr/bin/mossquill-service", UNIT, CONF,
            f"{DOC}/copyright", f"{DOC}/changelog.gz", f"{DOC}/README.Debian",
            f"{DOC}/examples/announcement.example.json", "usr/share/man/man8/mossquill-service.8.gz"})
        self.assertEqual(files["usr/bin/mossquill-service"], ("-rwxr-xr-x", "root/root"))
        for path in set(files) - {"usr/bin/mossquill-service"}:
            self.assertEqual(files[path], ("-rw-r--r--", "root/root"), path)

        fields = dict(line.split(": ", 1) for line in run("dpkg-deb", "-f", str(DEB)).splitlines() if ": " in line)
        self.assertEqual(fields["Package"], "mossquill-service")
        self.assertEqual(fields["Version"], DEB.name.split("_")[1])
        self.assertEqual(fields["Architecture"], "amd64")
        for library in ("libc6", "libssl3", "libsqlite3-0", "libstdc++6"):
            self.assertIn(library, fields["Depends"])
        control = pathlib.Path(self.work.name) / "control"
        run("dpkg-deb", "-e", str(DEB), str(control))
        self.assertEqual((control / "conffiles").read_text().split(), ["/" + CONF])

        binary = self.tree / "usr/bin/mossquill-service"
        self.assertNotIn("not stripped", run("file", str(binary)))
        self.assertNotIn("not found", run("ldd", str(binary)))
        example = json.loads((self.tree / DOC / "examples/announcement.example.json").read_text())
        self.assertEqual(example, json.loads((ROOT / "server/announcement.example.json").read_text()))

    def test_unit_is_hardened_and_reads_its_configuration(self):
        settings = unit_settings((self.tree / UNIT).read_text())
        values = dict(settings)
        self.assertEqual(values["DynamicUser"], "yes")
        self.assertEqual(values["ProtectSystem"], "strict")
        self.assertEqual(values["PrivateTmp"], "yes")
        self.assertEqual(values["NoNewPrivileges"], "yes")
        self.assertEqual(values["StateDirectory"], "mossquill")
        # The configuration, and secrets kept apart in a file only root reads (optional: "-").
        environment = [value for key, value in settings if key == "EnvironmentFile"]
        self.assertEqual(environment, ["/" + CONF, "-/etc/mossquill/secrets.conf"])
        self.assertTrue((self.tree / CONF).is_file())
        self.assertIn("%S/mossquill/service.db", values["ExecStart"])
        for key, value in settings:
            if key == "LoadCredential":
                self.assertRegex(value, r"^[a-z.]+:/etc/mossquill/")
        self.assertEqual(values["WantedBy"], "multi-user.target")

        # systemd's own reading: unknown keys and unparsable values are reported. The binary is not installed
        # on this machine, which is the one complaint to expect.
        verify = subprocess.run(["systemd-analyze", "verify", "--man=no", str(self.tree / UNIT)],
                                capture_output=True, text=True)
        complaints = [line for line in (verify.stdout + verify.stderr).splitlines()
                      if line and "/usr/bin/mossquill-service is not executable" not in line]
        self.assertEqual(complaints, [])

    def test_lintian_reports_no_errors(self):
        result = subprocess.run(["lintian", "--fail-on", "error", str(DEB)], capture_output=True, text=True)
        print(result.stdout, end="")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^E: ")

    def test_packaged_binary_started_as_the_unit_starts_it_answers(self):
        work = pathlib.Path(self.work.name)
        credentials, state = work / "credentials", work / "state"
        run(str(ROOT / "scripts/make-dev-ca"), str(credentials))
        (credentials / "server.pem").rename(credentials / "fullchain.pem")
        (credentials / "server.key").rename(credentials / "privkey.pem")
        (state / "mossquill").mkdir(parents=True)

        values = dict(unit_settings((self.tree / UNIT).read_text()))
        environment = environment_file((self.tree / CONF).read_text())
        # The packaged addresses are the operator's to fill in; everything else is used as shipped, plus the
        # example announcement, which the service refuses to start with if it does not parse.
        environment["MOSSQUILL_LISTEN"] = "--listen 127.0.0.1:0"
        environment["MOSSQUILL_OPTIONS"] += f" --announcement {self.tree / DOC / 'examples/announcement.example.json'}"
        argv = expand_exec(values["ExecStart"], environment, {"d": str(credentials), "S": str(state)})
        self.assertEqual(argv[0], "/usr/bin/mossquill-service")
        argv[0] = str(self.tree / argv[0].lstrip("/"))

        service = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        try:
            port = self.wait_for_port(service)
            context = ssl.create_default_context(cafile=str(credentials / "ca.pem"))
            connection = http.client.HTTPSConnection("localhost", port, context=context, timeout=10)
            connection.request("POST", "/v1/register", body=json.dumps({"nickname": "打包测试"}).encode(),
                               headers={"Content-Type": "application/json", "X-Mossquill-App-Key": APP_KEY})
            response = connection.getresponse()
            answer = json.loads(response.read())
            connection.close()
            self.assertEqual(response.status, 201, answer)
            self.assertEqual(answer["device"]["nickname"], "打包测试")
            self.assertRegex(answer["device"]["token"], r"^[0-9a-f]{64}$")
            self.assertTrue((state / "mossquill/service.db").is_file())
        finally:
            service.send_signal(signal.SIGTERM)
            service.wait(timeout=15)
            service.stdout.close()
        self.assertEqual(service.returncode, 0)

    def wait_for_port(self, service):
        lines = []
        reader = threading.Thread(target=lambda: lines.extend(iter(service.stdout.readline, "")), daemon=True)
        reader.start()
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            found = re.search(r"event=listening address=127\.0\.0\.1:(\d+)", "".join(lines))
            if found:
                return int(found.group(1))
            if service.poll() is not None:
                reader.join(5)
                self.fail(f"the service ended with {service.returncode}:\n{''.join(lines)}")
            time.sleep(0.05)
        self.fail(f"the service did not start listening:\n{''.join(lines)}")

if __name__ == "__main__":
    unittest.main(verbosity=2)
