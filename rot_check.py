import cv2, numpy as np
from PIL import Image
a = np.fromfile('rot_in.bin', np.uint8).reshape(37, 53, 4)
m = {1: 'L', 3: 'RGB', 4: 'RGBA'}[4]
p = Image.fromarray(a[:, :, 0] if m == 'L' else a, m)
t = Image.Transpose if hasattr(Image, 'Transpose') else Image
for code, (c, q) in enumerate([(cv2.ROTATE_90_CLOCKWISE, t.ROTATE_270), (cv2.ROTATE_180, t.ROTATE_180), (cv2.ROTATE_90_COUNTERCLOCKWISE, t.ROTATE_90)]):
    cv2.rotate(a, c).tofile('rot_cv%d.bin' % code)
    np.asarray(p.transpose(q)).tofile('rot_pil%d.bin' % code)
