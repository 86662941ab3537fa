#!/usr/bin/env python3
"""An NTLM authenticator for squid's test proxies (`auth_param ntlm program`).

squid talks to it a line at a time on stdin and stdout:

    YR <base64 negotiate message>      ->  TT <base64 challenge message>
    KK <base64 authenticate message>   ->  AF <user>  or  NA <reason>

The challenge is a complete NTLM challenge message: a random 8-byte server
challenge and target information that names a domain and a computer, which
Samba's ntlm_auth (the NTLM of Wine) needs before it answers. The answer is
accepted when its user name is the one given with --user (letter case
ignored, as Windows does) and, with --password, when its NTLMv2 response is
the one that password gives for the challenge sent; an NTLMv1 response is
then refused, as it cannot be checked here. Without --password only the
user name counts. What each answer carried goes to stderr (squid's
cache.log).

With --negotiate it serves `auth_param negotiate` instead, for clients
whose Negotiate falls back to NTLM and sends the same raw NTLM messages:
squid's Negotiate helpers accept with `AF <token> <user>`, and an NTLM
sign-in has no final token to give, hence `AF = <user>`.

    ntlm_challenge_helper.py --user alice [--password secret] [--negotiate]
"""

import argparse
import base64
import hmac
import os
import struct
import sys
import time

SIGNATURE = b"NTLMSSP\0"

NEGOTIATE_UNICODE = 0x00000001
NEGOTIATE_OEM = 0x00000002
REQUEST_TARGET = 0x00000004
NEGOTIATE_NTLM = 0x00000200
NEGOTIATE_ALWAYS_SIGN = 0x00008000
TARGET_TYPE_DOMAIN = 0x00010000
NEGOTIATE_EXTENDED_SESSIONSECURITY = 0x00080000
NEGOTIATE_TARGET_INFO = 0x00800000
NEGOTIATE_VERSION = 0x02000000
NEGOTIATE_128 = 0x20000000
NEGOTIATE_KEY_EXCH = 0x40000000
NEGOTIATE_56 = 0x80000000

# The client's wishes the challenge may grant; the rest are always set.
GRANTABLE = (NEGOTIATE_EXTENDED_SESSIONSECURITY | NEGOTIATE_128 | NEGOTIATE_56 | NEGOTIATE_KEY_EXCH
             | 0x00000010 | 0x00000020)  # sign, seal
ALWAYS = REQUEST_TARGET | NEGOTIATE_NTLM | NEGOTIATE_ALWAYS_SIGN | TARGET_TYPE_DOMAIN | NEGOTIATE_TARGET_INFO \
    | NEGOTIATE_VERSION

DOMAIN = "PROXYTEST"
COMPUTER = "SQUID"
DNS_DOMAIN = "proxytest.invalid"
DNS_COMPUTER = "squid.proxytest.invalid"


def md4(data):
    """MD4 (RFC 1320), which hashlib no longer offers with OpenSSL 3."""
    mask = 0xFFFFFFFF

    def rotl(value, shift):
        value &= mask
        return ((value << shift) | (value >> (32 - shift))) & mask

    rounds = (
        (lambda x, y, z: (x & y) | (~x & z), 0, list(range(16)), (3, 7, 11, 19)),
        (lambda x, y, z: (x & y) | (x & z) | (y & z), 0x5A827999,
         [0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15], (3, 5, 9, 13)),
        (lambda x, y, z: x ^ y ^ z, 0x6ED9EBA1,
         [0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15], (3, 9, 11, 15)),
    )
    message = data + b"\x80" + b"\0" * ((55 - len(data)) % 64) + struct.pack("<Q", len(data) * 8)
    state = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476]
    for start in range(0, len(message), 64):
        words = struct.unpack("<16I", message[start:start + 64])
        a, b, c, d = state
        for function, constant, order, shifts in rounds:
            for i, k in enumerate(order):
                a, b, c, d = d, rotl(a + function(b, c, d) + words[k] + constant, shifts[i % 4]), b, c
        state = [(s + v) & mask for s, v in zip(state, (a, b, c, d))]
    return struct.pack("<4I", *state)


def field(message, at):
    """The bytes a (length, allocated, offset) field at `at` points to."""
    length, _, offset = struct.unpack_from("<HHI", message, at)
    if offset + length > len(message):
        raise ValueError("field beyond the message")
    return message[offset:offset + length]


def read_message(token, kind):
    message = base64.b64decode(token, validate=True)
    if len(message) < 12 or message[:8] != SIGNATURE or struct.unpack_from("<I", message, 8)[0] != kind:
        raise ValueError("not an NTLM type %d message" % kind)
    return message


def challenge_message(negotiate_flags, server_challenge):
    flags = ALWAYS | (negotiate_flags & GRANTABLE)
    flags |= NEGOTIATE_UNICODE if negotiate_flags & NEGOTIATE_UNICODE or not negotiate_flags & NEGOTIATE_OEM \
        else NEGOTIATE_OEM
    text = (lambda s: s.encode("utf-16-le")) if flags & NEGOTIATE_UNICODE else (lambda s: s.encode("ascii"))
    target_name = text(DOMAIN)
    filetime = int((time.time() + 11644473600) * 10_000_000)
    pairs = [(2, DOMAIN.encode("utf-16-le")), (1, COMPUTER.encode("utf-16-le")),
             (4, DNS_DOMAIN.encode("utf-16-le")), (3, DNS_COMPUTER.encode("utf-16-le")),
             (7, struct.pack("<Q", filetime)), (0, b"")]
    target_info = b"".join(struct.pack("<HH", av, len(value)) + value for av, value in pairs)
    header = 56
    version = struct.pack("<BBH3xB", 6, 1, 7601, 15)
    return (SIGNATURE + struct.pack("<I", 2)
            + struct.pack("<HHI", len(target_name), len(target_name), header)
            + struct.pack("<I", flags) + server_challenge + b"\0" * 8
            + struct.pack("<HHI", len(target_info), len(target_info), header + len(target_name))
            + version + target_name + target_info)


def check_answer(message, server_challenge, user, password):
    """None when the authenticate message is to be accepted, else why not."""
    flags = struct.unpack_from("<I", message, 60)[0] if len(message) >= 64 else 0
    encoding = "utf-16-le" if flags & NEGOTIATE_UNICODE else "latin-1"
    nt_response = field(message, 20)
    domain = field(message, 28).decode(encoding, "replace")
    name = field(message, 36).decode(encoding, "replace")
    workstation = field(message, 44).decode(encoding, "replace")
    kind = "NTLMv2" if len(nt_response) > 24 else "NTLMv1" if nt_response else "none"
    print("ntlm_challenge_helper: user=%r domain=%r workstation=%r response=%s flags=0x%08x"
          % (name, domain, workstation, kind, flags), file=sys.stderr, flush=True)
    if name.lower() != user.lower():
        return "unknown user " + (name or "(anonymous)")
    if password is None:
        return None
    if kind != "NTLMv2":
        return "only an NTLMv2 response can be checked"
    key = hmac.new(md4(password.encode("utf-16-le")), (name.upper() + domain).encode("utf-16-le"), "md5").digest()
    proof = hmac.new(key, server_challenge + nt_response[16:], "md5").digest()
    return None if hmac.compare_digest(proof, nt_response[:16]) else "wrong password"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--user", required=True)
    parser.add_argument("--password")
    parser.add_argument("--negotiate", action="store_true")
    options = parser.parse_args()
    server_challenge = None
    for line in sys.stdin:
        words = line.split()
        try:
            if words and words[0] == "YR":
                negotiate_flags = 0
                if len(words) > 1:
                    negotiate = read_message(words[1], 1)
                    negotiate_flags = struct.unpack_from("<I", negotiate, 12)[0] if len(negotiate) >= 16 else 0
                server_challenge = os.urandom(8)
                reply = "TT " + base64.b64encode(challenge_message(negotiate_flags, server_challenge)).decode()
            elif len(words) == 2 and words[0] == "KK" and server_challenge is not None:
                message = read_message(words[1], 3)
                if len(message) < 52:
                    raise ValueError("authenticate message too short")
                refusal = check_answer(message, server_challenge, options.user, options.password)
                accepted = "AF = " if options.negotiate else "AF "
                reply = accepted + options.user if refusal is None else "NA " + refusal
                server_challenge = None
            else:
                reply = "BH unexpected request " + (words[0] if words else "(empty)")
        except (ValueError, struct.error) as error:
            reply = "BH " + str(error)
        sys.stdout.write(reply + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
