#!/usr/bin/env python3
"""Writes station files in the report server's layout as seeds for metar_decoder_fuzz."""
import os
import sys

REPORTS = [
    "EDDF 151250Z 24008KT CAVOK 08/02 Q1021 NOSIG",
    "KJFK 151251Z 27015G25KT 240V300 10SM FEW050 SCT100 BKN250 M05/M07 A2992 RMK AO2 SLP132",
    "EDDM 200700Z 00000KT 0150 R26L/0300N R26R/P1500U FG VV001 M02/M02 Q1030 BECMG 0800",
    "EDDH 011220Z AUTO 27010KT 9999 NSC 12/08 Q1013 TEMPO SHRA",
    "LOWW 011250Z 31012KT 6000 +TSRA SCT015CB BKN040 17/12 Q1009",
    "KORD 041256Z COR 18005KT 10SM SKC 22/11 A3001",
    "EDDF 151250Z NIL",
    "EDDF 151250Z AUTO 24008KT 9999 NCD 08/02 Q1021",
    "LFPG 151230Z VRB02KT 0150 R27L/0400N FG VV/// 01/01 Q1024 rmk x",
    "SPECI EDDF 151250Z 9999 -SHRASN BKN008 M99/99 Q0999",
]

def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for i, report in enumerate(REPORTS):
        with open(os.path.join(out, f"report{i}.txt"), "w", newline="") as f:
            f.write(f"2024/01/{i + 10:02d} 12:50\r\n{report}\r\n")

if __name__ == "__main__":
    main()
