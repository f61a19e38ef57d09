#!/usr/bin/python3
"""The bridge a user writes today with paho-mqtt and pyserial: one client, a QoS 1 subscription
per display on a persistent session, each message's payload written to its port, which stays
open. Run by bench/bridge_bench.py beside quillon-bridge; prints "ready" once subscribed.

Usage: bridge_peer.py BROKER_PORT PREFIX NAME=DEVICE...
"""
import sys

import paho.mqtt.client as mqtt
import serial


def main():
    port, prefix = int(sys.argv[1]), sys.argv[2]
    lines = {}
    for display in sys.argv[3:]:
        name, device = display.split("=", 1)
        lines[f"{prefix}/{name}/send"] = serial.Serial(device, 9600)

    def on_connect(client, userdata, flags, rc):
        client.subscribe([(topic, 1) for topic in lines])

    def on_subscribe(client, userdata, mid, granted_qos):
        print("ready", flush=True)

    def on_message(client, userdata, message):
        line = lines.get(message.topic)
        if line is not None:
            line.write(message.payload)

    client = mqtt.Client(client_id="paho-peer", clean_session=False)
    client.on_connect = on_connect
    client.on_subscribe = on_subscribe
    client.on_message = on_message
    client.connect("127.0.0.1", port)
    client.loop_forever()


if __name__ == "__main__":
    main()
