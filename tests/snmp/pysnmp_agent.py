# A pysnmp command responder on 127.0.0.1 for tests of triple-DES privacy, which snmpd lacks.
# Usage: python3 pysnmp_agent.py  -> prints "ready PORT" once it listens; stops on stdin EOF.
import os
import sys
import threading

from pysnmp.carrier.asyncore.dgram import udp
from pysnmp.entity import config, engine
from pysnmp.entity.rfc3413 import cmdrsp, context

snmp_engine = engine.SnmpEngine()
config.addTransport(snmp_engine, udp.domainName,
                    udp.UdpTransport().openServerMode(('127.0.0.1', 0)))
config.addV3User(snmp_engine, 'md5des3user', config.usmHMACMD5AuthProtocol, 'md5password',
                 config.usm3DESEDEPrivProtocol, 'des3password')
config.addV3User(snmp_engine, 'shades3user', config.usmHMACSHAAuthProtocol, 'shapassword',
                 config.usm3DESEDEPrivProtocol, 'des3password')
config.addV3User(snmp_engine, 'shauser', config.usmHMACSHAAuthProtocol, 'shapassword')
for user, level in (('md5des3user', 'authPriv'), ('shades3user', 'authPriv'),
                    ('shauser', 'authNoPriv')):
    config.addVacmUser(snmp_engine, 3, user, level, (1, 3, 6), (1, 3, 6))
snmp_context = context.SnmpContext(snmp_engine)
cmdrsp.GetCommandResponder(snmp_engine, snmp_context)

transport = snmp_engine.transportDispatcher.getTransport(udp.domainName)
port = transport.socket.getsockname()[1]


def watch_stdin():
    # The test owns us: when its end of the pipe closes, stop.
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=watch_stdin, daemon=True).start()
print('ready %d' % port, flush=True)
snmp_engine.transportDispatcher.jobStarted(1)
try:
    snmp_engine.transportDispatcher.runDispatcher()
finally:
    snmp_engine.transportDispatcher.closeDispatcher()
