#!/usr/bin/python3
"""SMTP server for the network tests, on a socket the test bound: plain, STARTTLS (required) or SMTPS, with an
optional log-on. Each accepted message is taken apart with the email package and saved as message-N/ in the
given folder, numbered on after the messages already there: one file per part the tests look at. Listed
recipients are refused with 550, and --refuse-data refuses every message after its data."""

import argparse
import asyncio
import email
import email.policy
import os
import ssl
import warnings

from server_common import start

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Saver:
    def __init__(self, folder, refused, refuse_data):
        self.folder = folder
        self.refused = {address.lower() for address in refused}
        self.refuse_data = refuse_data
        self.count = sum(1 for name in os.listdir(folder) if name.startswith("message-"))

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.refuse_data:
            return "554 5.7.1 Message rejected as spam"
        final = os.path.join(self.folder, "message-%d" % self.count)
        self.count += 1
        work = final + ".partial"
        os.makedirs(work)

        def save(name, data):
            with open(os.path.join(work, name), "wb") as file:
                file.write(data if isinstance(data, bytes) else data.encode("utf-8"))

        # Read with plain line feeds, as a mail store keeps messages.
        content = envelope.original_content.replace(b"\r\n", b"\n")
        save("envelope-from.txt", envelope.mail_from)
        save("envelope-to.txt", "\n".join(envelope.rcpt_tos))
        message = email.message_from_bytes(content, policy=email.policy.default)
        save("from.txt", str(message["From"]))
        save("to.txt", str(message["To"]))
        save("subject.txt", str(message["Subject"]))
        save("has-date.txt", "yes" if message["Date"] else "no")
        body = message.get_body(preferencelist=("plain",))
        save("body.txt", body.get_content() if body is not None else "")
        for index, part in enumerate(message.iter_attachments()):
            save("attachment-%d-name.txt" % index, part.get_filename() or "")
            save("attachment-%d-type.txt" % index, part.get_content_type())
            save("attachment-%d-encoding.txt" % index, str(part["Content-Transfer-Encoding"]))
            save("attachment-%d.bin" % index, part.get_payload(decode=True))
        os.rename(work, final)
        return "250 Message accepted for delivery"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--mode", choices=("plain", "starttls", "smtps"), default="plain")
    for name in ("--tls-cert", "--tls-key", "--user", "--password"):
        parser.add_argument(name)
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--refuse-data", action="store_true")
    args, sock = start(parser)
    warnings.simplefilter("ignore")  # log-on without TLS is what some tests want

    context = None
    if args.mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)

    def authenticate(server, session, envelope, mechanism, auth_data):
        good = (
            isinstance(auth_data, LoginPassword)
            and auth_data.login == (args.user or "").encode()
            and auth_data.password == (args.password or "").encode()
        )
        return AuthResult(success=good, handled=False)  # not handled: the server answers 535 itself

    handler = Saver(args.folder, args.refuse, args.refuse_data)

    def protocol():
        options = dict(hostname="localhost", auth_require_tls=False)
        if args.user:
            options.update(authenticator=authenticate, auth_required=True)
        if args.mode == "starttls":
            options.update(tls_context=context, require_starttls=True)
        return SMTP(handler, **options)

    async def serve():
        loop = asyncio.get_running_loop()
        sock.setblocking(False)
        server = await loop.create_server(protocol, sock=sock, ssl=context if args.mode == "smtps" else None)
        async with server:
            await server.serve_forever()

    asyncio.run(serve())


if __name__ == "__main__":
    main()
